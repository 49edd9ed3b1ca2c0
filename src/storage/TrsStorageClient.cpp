#include "storage/TrsStorageClient.h"

#include "storage/TrsStorage.h"

TrsStorageClient::TrsStorageClient(TComponent* AOwner)
    : TComponent(AOwner)
{
}

TrsStorageClient::~TrsStorageClient()
{
    SetStorage(nullptr);
}

void TrsStorageClient::SetActive(bool Value)
{
    FActive = Value;
}

void TrsStorageClient::SetStorage(TrsStorage* Value)
{
    if (Value == FStorage)
        return;
    if (FStorage) {
        FStorage->ClientList().Remove(this);
        RemoveFreeNotification(FStorage);
    }
    FStorage = Value;
    if (FStorage) {
        FreeNotification(FStorage);
        FStorage->ClientList().Add(this);
    }
}

void TrsStorageClient::StorageNotify(TrsClientNotification, const QString*, qintptr)
{
}

void TrsStorageClient::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && FStorage && AComponent == FStorage)
        FStorage = nullptr;
}
