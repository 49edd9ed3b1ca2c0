// The storage's registry of clients: every registered client in
// registration order, and one subscriber list per notification kind, so a
// notification reaches only the clients that subscribed to its kind. Owned
// by the storage; it references its clients, never owns them. Not
// thread-safe.
#pragma once

#include "storage/TrsStorageClient.h"

#include <QString>
#include <array>
#include <vector>

class TrsClientList {
public:
    TrsClientList() = default;

    // The client's position; a client already registered is not added again.
    int Add(TrsStorageClient* Instance);
    int IndexOf(const TrsStorageClient* Instance) const;
    // No effect for a position out of range.
    void Delete(int Index);
    void Remove(const TrsStorageClient* Instance);
    int Count() const { return int(FList.size()); }
    TrsStorageClient* Clients(int Index) const { return FList.at(size_t(Index)).Client; }
    void Clear();

    bool Active() const { return FActive; }
    void SetActive(bool Value) { FActive = Value; }

    bool NotificationExist(TrsClientNotification Value) const;
    // Calls StorageNotify on every active subscriber of the kind, in
    // registration order; nothing while the list is inactive.
    void DoNotification(TrsClientNotification Value, const QString* WParam, qintptr LParam);

private:
    // One subscriber list. Each client also remembers the kinds it was
    // subscribed with, so removal takes it out of exactly those lists even
    // when its Notifications changed since.
    struct TSubscriberList {
        bool NonEmpty = false;
        std::vector<TrsStorageClient*> Items;
    };
    struct TEntry {
        TrsStorageClient* Client;
        TrsClientNotifications Subscribed;
    };

    std::vector<TEntry> FList;
    std::array<TSubscriberList, TrsClientNotificationCount> FItems;
    bool FActive = true;
};
