// TrsEncryptor: the component a storage hands its tree to just before a
// save (DoEncrypt) and right after a save or a load (DoDecrypt), so that
// chosen keys, sections or the whole tree are enciphered while they sit in
// the backend. The link to the storage is a plain reference set by the
// storage's Encryptor property and cleared when the storage is removed. This
// base enciphers nothing; descendants override the operations. Not
// thread-safe.
#pragma once

#include "framework/Component.h"

class TrsStorage;

class TrsEncryptor : public TComponent {
    Q_OBJECT

public:
    explicit TrsEncryptor(TComponent* AOwner = nullptr);
    // Unlinks from the storage, which closes first (and may save through
    // this encryptor) when it is being destroyed too.
    ~TrsEncryptor() override;

    // When false the storage does not call the encryptor at all.
    bool Active() const { return FActive; }
    void SetActive(bool Value) { FActive = Value; }

    TrsStorage* Storage() const { return FStorage; }
    // Called by the storage's SetEncryptor; nullptr unlinks.
    virtual void SetStorage(TrsStorage* AStorage) { FStorage = AStorage; }

    // Called by the storage just before its storage data saves the tree.
    virtual void DoEncrypt() {}
    // Called by the storage right after a save and after every load.
    virtual void DoDecrypt() {}

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    bool FActive = true;
    TrsStorage* FStorage = nullptr;
};
