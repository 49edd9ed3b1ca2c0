#include "persist/TrsPropSaver.h"

#include "framework/TApplication.h"
#include "framework/TForm.h"
#include "framework/TextCompare.h"
#include "persist/TrsAddInProperties.h"
#include "persist/TrsPropertyTransfer.h"
#include "storage/TrsEncryptor.h"
#include "storage/TrsKeyWrapper.h"
#include "storage/TrsStorage.h"

namespace {

// The first form or data module up the owner chain, starting at OWNER.
TComponent* FindOwnerForm(TComponent* owner, bool& isForm)
{
    for (TComponent* c = owner; c; c = c->Owner()) {
        if (qobject_cast<TForm*>(c)) {
            isForm = true;
            return c;
        }
        if (qobject_cast<TDataModule*>(c)) {
            isForm = false;
            return c;
        }
    }
    isForm = false;
    return nullptr;
}

// Runs BODY between the before and after events: the after event fires
// exactly once and the state is removed, whatever BODY does.
template <class Body>
void Guarded(TrsPropSaverStates& states, TrsPropSaverState state, QObject* sender, const TNotifyEvent& before,
             const TNotifyEvent& after, Body body)
{
    states.Include(state);
    if (before)
        before(sender);
    try {
        body();
    } catch (...) {
        states.Exclude(state);
        if (after)
            after(sender);
        throw;
    }
    states.Exclude(state);
    if (after)
        after(sender);
}

} // namespace

TrsPropSaver::TrsPropSaver(TComponent* AOwner)
    : TrsStorageClient(AOwner)
    , KeyWrapper(std::make_unique<TrsKeyWrapper>(nullptr))
    , FTransfer(std::make_unique<TrsPropertyTransfer>(AOwner, *KeyWrapper))
{
    FOwnerForm = FindOwnerForm(AOwner, FOwnerIsForm);
    KeyWrapper->SetKeyItem(&KeyItem);
}

TrsPropSaver::~TrsPropSaver()
{
    SetWhenLoad(wlManual);
    SetWhenSave(wsManual);
}

void TrsPropSaver::SetCustomProperties(TrsAddInProperties* Value)
{
    if (FCustomProperties == Value)
        return;
    if (FCustomProperties)
        RemoveFreeNotification(FCustomProperties);
    FCustomProperties = Value;
    if (Value)
        FreeNotification(Value);
}

void TrsPropSaver::SetFormPlacementOptions(TrsPropSaverFormPlacements Value)
{
    if (Value == FFormPlacementOptions)
        return;
    FFormPlacementOptions = Value;
    if (Value.IsEmpty())
        FOptions.Exclude(poStoreFormPlacement);
    else
        FOptions.Include(poStoreFormPlacement);
}

void TrsPropSaver::SetOptions(TrsPropSaverOptions Value)
{
    if (Value == FOptions)
        return;
    const bool placementChanged = Value.Contains(poStoreFormPlacement) != FOptions.Contains(poStoreFormPlacement);
    FOptions = Value;
    if (placementChanged) {
        FFormPlacementOptions = Value.Contains(poStoreFormPlacement)
            ? TrsPropSaverFormPlacements { pfpPlacement, pfpSize, pfpState }
            : TrsPropSaverFormPlacements {};
    }
}

void TrsPropSaver::SetRootSection(const QString& Value)
{
    FSection = Value;
    PrepareRootSection();
}

void TrsPropSaver::PrepareRootSection()
{
    auto isSeparator = [](QChar c) { return c == u'\\' || c == u'/'; };
    QString prepared = FSection;
    if (prepared.isEmpty()) {
        FPreparedSection = QStringLiteral("\\");
        return;
    }
    if (!isSeparator(prepared.front()))
        prepared.prepend(u'\\');
    if (!isSeparator(prepared.back()))
        prepared.append(u'\\');
    FPreparedSection = prepared;
}

void TrsPropSaver::Loaded()
{
    TrsStorageClient::Loaded();
    PrepareRootSection();
}

void TrsPropSaver::Notification(TComponent* AComponent, TOperation Operation)
{
    TrsStorageClient::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FCustomProperties)
        FCustomProperties = nullptr;
}

void TrsPropSaver::LoadValues()
{
    Guarded(FStates, psLoadValues, this, OnBeforeLoad, OnAfterLoad, [this] {
        TrsStorage* storage = Storage();
        if (!storage)
            return;
        PrepareRootSection();
        storage->SetRootSection(FSection);
        for (const QString& line : FProps) {
            FProperty.SetAsString(line);
            LoadLine();
        }
        if (FOptions.Contains(poStoreFormPlacement) && storage->KeyExist(QStringLiteral("FormPlacement"))) {
            if (FOptions.Contains(poEncryptFormPlacement) && storage->Encryptor())
                storage->Encryptor()->DoDecryptKey(QStringLiteral("FormPlacement"));
            SetFormPlacement(storage->ReadString(QStringLiteral("FormPlacement"), QString()));
        }
    });
}

void TrsPropSaver::LoadLine()
{
    if (!FProperty.Enabled || FProperty.State == TrsProperty::psWrite)
        return;
    TrsStorage* storage = Storage();
    const int index = storage->FindKey(FProperty.NameInData(), false);
    if (index < 0) {
        if (FProperty.DefValue.isEmpty())
            return;
        PointAtScratchKey();
        ClearScratchKey();
        KeyWrapper->SetAsString(FProperty.DefValue);
    } else {
        KeyWrapper->SetKeyItem(storage->GetKeyItem(index));
    }
    switch (FProperty.PropType) {
    case TrsProperty::ptPublished:
        LoadPublishProperty();
        break;
    case TrsProperty::ptCustom:
        SetCustomProperty(FProperty.Name, KeyWrapper->AsVariant());
        break;
    case TrsProperty::ptUser:
        SetUserProperty(FProperty.NameInData(), KeyWrapper->AsVariant());
        break;
    case TrsProperty::ptVariable:
        break;
    }
    PointAtScratchKey();
}

void TrsPropSaver::SaveValues()
{
    Guarded(FStates, psSaveValues, this, OnBeforeSave, OnAfterSave, [this] {
        TrsStorage* storage = Storage();
        if (!storage)
            return;
        PrepareRootSection();
        storage->SetRootSection(FSection);
        PointAtScratchKey();
        for (const QString& line : FProps) {
            FProperty.SetAsString(line);
            if (FProperty.State == TrsProperty::psRead)
                continue;
            StoreScratchKey(SaveLine());
        }
        if (FOptions.Contains(poStoreFormPlacement)) {
            storage->WriteString(QStringLiteral("FormPlacement"), FormPlacement());
            if (FOptions.Contains(poEncryptFormPlacement))
                AddEncryptKey(QStringLiteral("FormPlacement"));
        }
    });
}

bool TrsPropSaver::SaveLine()
{
    // Each line starts from an empty scratch key, so a line that stores
    // nothing can never store the previous line's value.
    ClearScratchKey();
    if (!FProperty.Enabled)
        return false;
    bool ok = false;
    QVariant value;
    switch (FProperty.PropType) {
    case TrsProperty::ptPublished:
        ok = SavePublishProperty();
        break;
    case TrsProperty::ptCustom:
        ok = GetCustomProperty(FProperty.Name, value);
        if (ok)
            KeyWrapper->SetAsVariant(value);
        break;
    case TrsProperty::ptUser:
        ok = GetUserProperty(FProperty.NameInData(), value);
        if (ok)
            KeyWrapper->SetAsVariant(value);
        break;
    case TrsProperty::ptVariable:
        break;
    }
    if (ok && KeyItem.Value.kvType == ktNone)
        ok = false;
    if (ok && !FOptions.Contains(poStoreDefValues) && SameText(KeyWrapper->AsString(), FProperty.DefValue))
        ok = false;
    return ok;
}

void TrsPropSaver::StoreScratchKey(bool ok)
{
    TrsStorage* storage = Storage();
    const QString name = FProperty.NameInData();
    if (!ok) {
        storage->KeyDelete(name);
        return;
    }
    if (storage->FindKey(name, true) < 0)
        return; // a name no key can have, such as an empty one
    storage->KeyWrapper().AssignValue(&KeyItem.Value);
    if (FProperty.StoreEncrypted)
        AddEncryptKey(name);
}

void TrsPropSaver::AddEncryptKey(const QString& Name)
{
    TrsStorage* storage = Storage();
    TrsEncryptor* encryptor = storage ? storage->Encryptor() : nullptr;
    if (!encryptor)
        return;
    const QString path = FPreparedSection + Name;
    const QStringList& keys = encryptor->EncryptKeys();
    auto listed = [&keys](const QString& p) {
        return std::any_of(keys.begin(), keys.end(), [&p](const QString& k) { return SameText(k, p); });
    };
    if (listed(path))
        return;
    if ((path.startsWith(u'\\') || path.startsWith(u'/')) && listed(path.mid(1)))
        return;
    encryptor->EncryptKeyLines()->Add(path);
}

void TrsPropSaver::PointAtScratchKey()
{
    KeyWrapper->SetKeyItem(&KeyItem);
}

void TrsPropSaver::ClearScratchKey()
{
    KeyItem.Value = TrsKeyValue();
}

QVariant TrsPropSaver::Values(const QString& Key)
{
    TrsStorage* storage = Storage();
    if (storage) {
        const QString path = FPreparedSection + Key;
        if (storage->KeyExist(path))
            return storage->Values(path);
    }
    TrsProperty line;
    for (const QString& text : FProps) {
        line.SetAsString(text);
        if (SameText(line.NameInData(), Key))
            return line.DefValue.isEmpty() ? QVariant() : QVariant(line.DefValue);
    }
    return {};
}

void TrsPropSaver::SetValues(const QString& Key, const QVariant& Value)
{
    if (TrsStorage* storage = Storage())
        storage->SetValues(FPreparedSection + Key, Value);
}

bool TrsPropSaver::GetUserProperty(const QString& PropName, QVariant& Value)
{
    Value = QVariant();
    if (!OnGetUserProperty)
        return false;
    OnGetUserProperty(this, PropName, Value);
    return true;
}

bool TrsPropSaver::SetUserProperty(const QString& PropName, const QVariant& Value)
{
    if (!OnSetUserProperty)
        return false;
    QVariant copy = Value;
    OnSetUserProperty(this, PropName, copy);
    return true;
}

bool TrsPropSaver::GetCustomProperty(const QString& PropName, QVariant& Value)
{
    Value = QVariant();
    if (!FCustomProperties)
        return false;
    QObject* instance = Owner();
    QString rest = PropName;
    if (!FindInstance(instance, rest))
        return false;
    Value = FCustomProperties->GetPropertyValue(this, instance, rest);
    return Value.isValid();
}

bool TrsPropSaver::SetCustomProperty(const QString& PropName, const QVariant& Value)
{
    if (!FCustomProperties)
        return false;
    QObject* instance = Owner();
    QString rest = PropName;
    if (!FindInstance(instance, rest))
        return false;
    FCustomProperties->SetPropertyValue(this, instance, rest, Value);
    return true;
}
