#include "persist/TrsPropertyTransfer.h"

#include "framework/Component.h"
#include "framework/PropertyAccess.h"
#include "framework/TApplication.h"
#include "framework/TCollection.h"
#include "framework/TForm.h"
#include "framework/TStrings.h"
#include "persist/TrsProperty.h"
#include "storage/TrsKeyWrapper.h"

#include <algorithm>

namespace {

// Follows one path segment from CURRENT: a class-typed published property
// first, then an owned component. False when neither applies.
bool Step(QObject*& current, QStringView segment)
{
    const QMetaProperty prop = GetPropInfo(current, segment);
    if (prop.isValid() && PropKind(prop) == tkClass) {
        current = GetObjectProp(current, prop);
        return true;
    }
    if (auto* component = qobject_cast<TComponent*>(current)) {
        current = component->FindComponent(segment);
        return true;
    }
    return false;
}

// The component NAME of the first container whose Name is exactly PREFIX.
template <class Container>
bool FindIn(
    const std::vector<Container*>& containers, const QString& prefix, const QString& name, TComponent*& found)
{
    for (Container* container : containers) {
        if (container && container->Name() == prefix) {
            found = container->FindComponent(name);
            return true;
        }
    }
    return false;
}

} // namespace

TrsPropertyTransfer::TrsPropertyTransfer(TComponent* Owner, TrsKeyWrapper& Key)
    : FOwner(Owner)
    , FKey(Key)
{
}

bool TrsPropertyTransfer::FindInstance(QObject*& Instance, QString& PropName)
{
    QObject* const start = Instance;
    const QString path = PropName;
    QObject* current = start;
    qsizetype rest = 0; // start of the part after the last consumed "."
    for (qsizetype dot = path.indexOf(u'.'); dot >= 0 && current; dot = path.indexOf(u'.', rest)) {
        // A segment that is neither a property nor a component (a
        // collection's item property, say) stays in the rest of the path.
        if (!Step(current, QStringView(path).mid(rest, dot - rest)))
            break;
        rest = dot + 1;
    }
    if (rest == 0 && !GetPropInfo(start, path).isValid()) {
        auto* owner = qobject_cast<TComponent*>(start);
        if (TComponent* component = owner ? owner->FindComponent(path) : nullptr) {
            Instance = component;
            PropName.clear();
            return true;
        }
    }
    Instance = current;
    PropName = path.mid(rest);
    return Instance != nullptr;
}

TComponent* TrsPropertyTransfer::rsFindGlobalComponent(const QString& Value) const
{
    const qsizetype dot = Value.indexOf(u'.');
    if (dot < 0)
        return FOwner ? FOwner->FindComponent(Value) : nullptr;
    const QString prefix = Value.left(dot);
    const QString name = Value.mid(dot + 1);
    TComponent* found = nullptr;
    if (!FindIn(Application().Forms(), prefix, name, found))
        FindIn(Application().DataModules(), prefix, name, found);
    return found;
}

QString TrsPropertyTransfer::ComponentReference(const TComponent* Component) const
{
    // A component without owner is written by its name alone, which is
    // what rsFindGlobalComponent resolves against the owner.
    const TComponent* owner = Component->Owner();
    if (!owner || owner == FOwner)
        return Component->Name();
    return owner->Name() + u'.' + Component->Name();
}

void TrsPropertyTransfer::ObjectToKey(QObject* Object)
{
    if (!Object)
        return;
    if (auto* component = qobject_cast<TComponent*>(Object))
        FKey.SetAsString(ComponentReference(component));
    else if (auto* strings = qobject_cast<TStrings*>(Object))
        FKey.SetAsString(strings->Text());
    else
        FKey.GetPersistentProps(Object);
}

void TrsPropertyTransfer::GetPropertyToKey(QObject* Instance, const QString& PropName)
{
    const QMetaProperty prop = GetPropInfo(Instance, PropName);
    switch (PropKind(prop)) {
    case tkInteger:
    case tkChar:
    case tkWChar:
        FKey.SetAsInteger(GetOrdProp(Instance, prop));
        break;
    case tkEnumeration:
        FKey.SetAsString(GetEnumName(prop, GetOrdProp(Instance, prop)));
        break;
    case tkFloat:
        FKey.SetAsFloat(GetFloatProp(Instance, prop));
        break;
    case tkLString:
    case tkUString:
        FKey.SetAsString(GetStrProp(Instance, prop));
        break;
    case tkSet:
        FKey.SetAsString(SetToString(Instance, prop));
        break;
    case tkClass:
        ObjectToKey(GetObjectProp(Instance, prop));
        break;
    case tkVariant:
        FKey.SetAsVariant(GetVariantProp(Instance, prop));
        break;
    case tkInt64:
        FKey.SetAsInt64(GetInt64Prop(Instance, prop));
        break;
    case tkUnknown:
        break;
    }
}

void TrsPropertyTransfer::KeyToObject(QObject* Instance, const QMetaProperty& Prop)
{
    QObject* current = GetObjectProp(Instance, Prop);
    if (auto* strings = qobject_cast<TStrings*>(current)) {
        strings->SetText(FKey.AsString());
    } else if (current && !qobject_cast<TComponent*>(current)) {
        FKey.SetPersistentProps(current);
    } else if (TComponent* component = rsFindGlobalComponent(FKey.AsString())) {
        SetObjectProp(Instance, Prop, component);
    }
}

void TrsPropertyTransfer::SetPropertyFromKey(QObject* Instance, const QString& PropName)
{
    const QMetaProperty prop = GetPropInfo(Instance, PropName);
    switch (PropKind(prop)) {
    case tkInteger:
    case tkChar:
    case tkWChar:
        SetOrdProp(Instance, prop, FKey.AsInteger());
        break;
    case tkEnumeration:
        // A name that is no value of the type leaves the property alone.
        if (const int value = GetEnumValue(prop, FKey.AsString()); value >= 0)
            SetOrdProp(Instance, prop, value);
        break;
    case tkFloat:
        SetFloatProp(Instance, prop, FKey.AsFloat());
        break;
    case tkLString:
    case tkUString:
        SetStrProp(Instance, prop, FKey.AsString());
        break;
    case tkSet:
        if (FKey.KeyType() == ktInteger)
            SetOrdProp(Instance, prop, FKey.AsInteger());
        else
            StringToSet(Instance, prop, FKey.AsString());
        break;
    case tkClass:
        KeyToObject(Instance, prop);
        break;
    case tkVariant:
        SetVariantProp(Instance, prop, FKey.AsVariant());
        break;
    case tkInt64:
        SetInt64Prop(Instance, prop, FKey.AsInt64());
        break;
    case tkUnknown:
        break;
    }
}

void TrsPropertyTransfer::SaveCollection(TCollection* Collection, const QString& PropName)
{
    QString list;
    for (int i = 0; i < Collection->Count(); ++i) {
        // Cleared per item, so an item whose property cannot be read gives
        // an empty field instead of repeating the previous item's value.
        FKey.SetAsString(QString());
        QObject* instance = Collection->Items(i);
        QString name = PropName;
        if (FindInstance(instance, name))
            GetPropertyToKey(instance, name);
        list += FKey.AsString() + u',';
    }
    if (!list.isEmpty()) {
        list.back() = u'"';
        list.prepend(u'"');
    }
    FKey.SetAsString(list);
}

void TrsPropertyTransfer::LoadCollection(TCollection* Collection, const QString& PropName)
{
    Collection->BeginUpdate();
    try {
        QString list = FKey.AsString();
        const bool quoted = list.size() >= 2 && list.startsWith(u'"') && list.endsWith(u'"');
        if (quoted)
            list = list.mid(1, list.size() - 2);
        // A quoted empty text is one item with an empty value, as saved;
        // only an unquoted empty text is the empty collection.
        const int count = quoted ? std::max(1, ValuesCount(list)) : ValuesCount(list);
        for (int i = 0; i < count; ++i) {
            if (i >= Collection->Count() && FNotRestoreCount)
                break;
            QObject* instance = i < Collection->Count() ? Collection->Items(i) : Collection->Add();
            QString name = PropName;
            FKey.SetAsString(ValueByIndex(list, i));
            if (FindInstance(instance, name))
                SetPropertyFromKey(instance, name);
        }
        FKey.SetAsString(list);
        while (!FNotRestoreCount && Collection->Count() > count)
            Collection->Delete(Collection->Count() - 1);
    } catch (...) {
        Collection->EndUpdate();
        throw;
    }
    Collection->EndUpdate();
}

QString SetToString(const QObject* Instance, const QMetaProperty& PropInfo)
{
    const quint32 mask = quint32(GetOrdProp(Instance, PropInfo));
    QStringList names;
    for (const int ordinal : GetSetElementOrdinals(PropInfo))
        if (ordinal < 31 && (mask & (1u << ordinal)))
            names.append(GetSetElementName(PropInfo, ordinal));
    return u'[' + names.join(u',') + u']';
}

void StringToSet(QObject* Instance, const QMetaProperty& PropInfo, const QString& Text)
{
    if (Text.isEmpty())
        return;
    QString list = Text;
    if (list.startsWith(u'[') && list.endsWith(u']'))
        list = list.mid(1, list.size() - 2);
    quint32 mask = 0;
    for (int i = 0; i < ValuesCount(list); ++i) {
        const int ordinal = GetSetElementOrdinal(PropInfo, ValueByIndex(list, i));
        if (ordinal < 0)
            return;
        mask |= 1u << (ordinal % 32);
    }
    SetOrdProp(Instance, PropInfo, int(mask));
}
