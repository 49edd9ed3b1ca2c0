// The saver's published-property lines: a line's path resolved from the
// owner and its value moved between the property and the key the key
// wrapper points at.
#include "persist/TrsPropSaver.h"

#include "framework/TCollection.h"
#include "persist/TrsPropertyTransfer.h"
#include "storage/TrsKeyWrapper.h"

bool TrsPropSaver::FindInstance(QObject*& Instance, QString& PropName) const
{
    return TrsPropertyTransfer::FindInstance(Instance, PropName);
}

TComponent* TrsPropSaver::rsFindGlobalComponent(const QString& Value) const
{
    return FTransfer->rsFindGlobalComponent(Value);
}

bool TrsPropSaver::LoadPublishProperty()
{
    QObject* instance = Owner();
    QString rest = FProperty.Name;
    if (!FindInstance(instance, rest))
        return false;
    if (OnSetProperty) {
        QVariant value = KeyWrapper->AsVariant();
        bool allow = true;
        OnSetProperty(this, instance, rest, value, allow);
        if (!allow)
            return false;
    }
    FTransfer->SetNotRestoreCollectionItemsCount(FOptions.Contains(poNotRestoreCollectionItemsCount));
    if (auto* collection = qobject_cast<TCollection*>(instance))
        FTransfer->LoadCollection(collection, rest);
    else if (qobject_cast<TComponent*>(instance) && rest.isEmpty())
        KeyWrapper->SetComponentProps(instance);
    else
        FTransfer->SetPropertyFromKey(instance, rest);
    return true;
}

bool TrsPropSaver::SavePublishProperty()
{
    QObject* instance = Owner();
    QString rest = FProperty.Name;
    if (!FindInstance(instance, rest))
        return false;
    if (OnGetProperty) {
        QVariant value = KeyWrapper->AsVariant();
        bool allow = true;
        OnGetProperty(this, instance, rest, value, allow);
        KeyWrapper->SetAsVariant(value);
        if (!allow)
            return true;
    }
    if (auto* collection = qobject_cast<TCollection*>(instance))
        FTransfer->SaveCollection(collection, rest);
    else if (qobject_cast<TComponent*>(instance) && rest.isEmpty())
        KeyWrapper->GetComponentProps(instance);
    else
        FTransfer->GetPropertyToKey(instance, rest);
    return true;
}

bool TrsPropSaver::GetPublishProperty(const QString& PropName, QVariant& Value)
{
    FProperty = TrsProperty();
    FProperty.Name = PropName;
    PointAtScratchKey();
    ClearScratchKey();
    if (!SavePublishProperty())
        return false;
    Value = KeyWrapper->AsVariant();
    return true;
}

bool TrsPropSaver::SetPublishProperty(const QString& PropName, const QVariant& Value)
{
    FProperty = TrsProperty();
    FProperty.Name = PropName;
    PointAtScratchKey();
    KeyWrapper->SetAsVariant(Value);
    return LoadPublishProperty();
}
