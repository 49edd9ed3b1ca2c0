// TrsStorageClient: the base of components that work on a storage and want
// to hear of changes to its tree. A client subscribes to notification kinds
// (Notifications, fixed when it is added to the storage's client list) and
// receives them in StorageNotify. The link to the storage is a plain
// reference, cleared when the storage is removed. Not thread-safe.
#pragma once

#include "framework/Component.h"
#include "storage/TrsEnumSet.h"

#include <QString>

class TrsStorage;

enum TrsClientNotification {
    scnNone = 0,
    scnClear = 1,
    scnLoad = 2,
    scnSectionAdd = 3,
    scnSectionDelete = 4,
    scnSectionModify = 5,
    scnSectionClear = 6,
    scnRootSectionChanged = 7,
    scnKeyAdd = 8,
    scnKeyDelete = 9,
    scnKeyModify = 10,
    scnKeyValueModify = 11
};

constexpr int TrsClientNotificationCount = 12;

using TrsClientNotifications = TrsEnumSet<TrsClientNotification>;

class TrsStorageClient : public TComponent {
    Q_OBJECT
    Q_MOC_INCLUDE("storage/TrsStorage.h")
    Q_PROPERTY(bool Active READ Active WRITE SetActive)
    Q_PROPERTY(TrsStorage* Storage READ Storage WRITE SetStorage)

public:
    explicit TrsStorageClient(TComponent* AOwner = nullptr);
    ~TrsStorageClient() override;

    bool Active() const { return FActive; }
    virtual void SetActive(bool Value);
    TrsStorage* Storage() const { return FStorage; }
    // Leaves the old storage's client list and joins the new one's.
    virtual void SetStorage(TrsStorage* Value);

    TrsClientNotifications Notifications() const { return FNotifications; }
    // Takes effect when the client is next added to a storage's client list.
    void SetNotifications(TrsClientNotifications Value) { FNotifications = Value; }

    // Called for each notification of a subscribed kind while the client is
    // active. WParam is the section path or key name the kind carries, or
    // nullptr; LParam is 0.
    virtual void StorageNotify(TrsClientNotification Value, const QString* WParam, qintptr LParam);

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    bool FActive = true;
    TrsClientNotifications FNotifications;
    TrsStorage* FStorage = nullptr;
};
