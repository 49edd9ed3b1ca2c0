#include "storage/TrsClientList.h"

#include <algorithm>

int TrsClientList::Add(TrsStorageClient* Instance)
{
    const int existing = IndexOf(Instance);
    if (existing >= 0 || !Instance)
        return existing;
    const TrsClientNotifications kinds = Instance->Notifications();
    FList.push_back(TEntry { Instance, kinds });
    for (int kind = 0; kind < TrsClientNotificationCount; ++kind) {
        if (!kinds.Contains(TrsClientNotification(kind)))
            continue;
        TSubscriberList& list = FItems[size_t(kind)];
        // Subscriber arrays double, starting at 2.
        if (list.Items.size() == list.Items.capacity())
            list.Items.reserve(std::max<size_t>(2, list.Items.capacity() * 2));
        list.Items.push_back(Instance);
        list.NonEmpty = true;
    }
    return Count() - 1;
}

int TrsClientList::IndexOf(const TrsStorageClient* Instance) const
{
    for (size_t i = 0; i < FList.size(); ++i)
        if (FList[i].Client == Instance)
            return int(i);
    return -1;
}

void TrsClientList::Delete(int Index)
{
    if (Index < 0 || Index >= Count())
        return;
    const TEntry entry = FList[size_t(Index)];
    for (int kind = 0; kind < TrsClientNotificationCount; ++kind) {
        if (!entry.Subscribed.Contains(TrsClientNotification(kind)))
            continue;
        TSubscriberList& list = FItems[size_t(kind)];
        const auto it = std::find(list.Items.begin(), list.Items.end(), entry.Client);
        if (it != list.Items.end())
            list.Items.erase(it);
        list.NonEmpty = !list.Items.empty();
    }
    FList.erase(FList.begin() + Index);
}

void TrsClientList::Remove(const TrsStorageClient* Instance)
{
    Delete(IndexOf(Instance));
}

void TrsClientList::Clear()
{
    std::vector<TEntry>().swap(FList);
    for (TSubscriberList& list : FItems) {
        std::vector<TrsStorageClient*>().swap(list.Items);
        list.NonEmpty = false;
    }
}

bool TrsClientList::NotificationExist(TrsClientNotification Value) const
{
    const int kind = int(Value);
    return kind >= 0 && kind < TrsClientNotificationCount && FItems[size_t(kind)].NonEmpty;
}

void TrsClientList::DoNotification(TrsClientNotification Value, const QString* WParam, qintptr LParam)
{
    if (!FActive || !NotificationExist(Value))
        return;
    // A copy: a client may leave the list while it is being notified.
    const std::vector<TrsStorageClient*> subscribers = FItems[size_t(Value)].Items;
    for (TrsStorageClient* client : subscribers)
        if (IndexOf(client) >= 0 && client->Active())
            client->StorageNotify(Value, WParam, LParam);
}
