#include "storage/TrsEncryptor.h"

#include "storage/TrsStorage.h"

TrsEncryptor::TrsEncryptor(TComponent* AOwner) : TComponent(AOwner) {}

TrsEncryptor::~TrsEncryptor()
{
    if (FStorage) {
        if (FStorage->IsDestroying())
            FStorage->Close();
        if (FStorage && FStorage->Encryptor() == this)
            FStorage->SetEncryptor(nullptr);
        FStorage = nullptr;
    }
}

void TrsEncryptor::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove || !FStorage || AComponent != FStorage)
        return;
    // Being destroyed together: the storage closes while this encryptor is
    // still whole, so its closing save can run through it.
    if (IsDestroying()) {
        FStorage->Close();
        if (FStorage->Encryptor() == this)
            FStorage->SetEncryptor(nullptr);
    }
    FStorage = nullptr;
}
