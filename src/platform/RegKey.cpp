#include "platform/RegKey.h"

#include "framework/TextCompare.h"

#include <algorithm>

TRegKey::TRegKey(QString name, TRegKey* parent)
    : FName(std::move(name))
    , FParent(parent)
{
}

void TRegKey::SetClass(const QString& keyClass)
{
    FClass = keyClass;
    FHasClass = true;
}

std::vector<TRegKey::TPtr>::const_iterator TRegKey::SubKeyBound(QStringView name) const
{
    return std::lower_bound(FSubKeys.begin(), FSubKeys.end(), name,
        [](const TPtr& key, QStringView n) { return CompareText(key->FName, n) < 0; });
}

std::vector<TRegValue>::const_iterator TRegKey::ValueBound(QStringView name) const
{
    return std::lower_bound(FValues.begin(), FValues.end(), name,
        [](const TRegValue& value, QStringView n) { return CompareText(value.FName, n) < 0; });
}

TRegKey::TPtr TRegKey::FindSubKey(QStringView name) const
{
    const auto it = SubKeyBound(name);
    return it != FSubKeys.end() && SameText((*it)->FName, name) ? *it : nullptr;
}

TRegKey::TPtr TRegKey::AddSubKey(const QString& name, bool* created)
{
    const auto it = SubKeyBound(name);
    const bool found = it != FSubKeys.end() && SameText((*it)->FName, name);
    if (created)
        *created = !found;
    if (found)
        return *it;
    return *FSubKeys.insert(it, std::make_shared<TRegKey>(name, this));
}

bool TRegKey::RemoveSubKey(QStringView name)
{
    const auto it = SubKeyBound(name);
    if (it == FSubKeys.end() || !SameText((*it)->FName, name))
        return false;
    const TPtr key = *it;
    FSubKeys.erase(it);
    key->MarkDeleted();
    return true;
}

const TRegValue* TRegKey::FindValue(QStringView name) const
{
    const auto it = ValueBound(name);
    return it != FValues.end() && SameText(it->FName, name) ? &*it : nullptr;
}

void TRegKey::SetValue(const QString& name, DWORD type, QByteArray data)
{
    const auto it = ValueBound(name);
    if (it != FValues.end() && SameText(it->FName, name)) {
        auto& value = FValues[size_t(it - FValues.begin())];
        value.FType = type;
        value.FData = std::move(data);
        return;
    }
    FValues.insert(it, TRegValue { name, type, std::move(data) });
}

bool TRegKey::RemoveValue(QStringView name)
{
    const auto it = ValueBound(name);
    if (it == FValues.end() || !SameText(it->FName, name))
        return false;
    FValues.erase(it);
    return true;
}

void TRegKey::MarkDeleted()
{
    FDeleted = true;
    FParent = nullptr;
    for (const TPtr& key : FSubKeys)
        key->MarkDeleted();
    FSubKeys.clear();
    FValues.clear();
}
