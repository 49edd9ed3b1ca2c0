// TrsStorageData: the base of every storage backend. It keeps the list of
// storages that use it (references, not owned) with the current one, runs a
// load or a save of the current storage's whole tree around DoLoadStorage
// and DoSaveStorage, which backends override, and reports progress. Links
// are cleared through removal notifications; destroying the data detaches
// every storage, last first, so a storage being destroyed with it still
// saves through it. Not thread-safe.
#pragma once

#include "framework/Component.h"
#include "framework/Events.h"

#include <functional>
#include <vector>

class TrsStorage;

// (Sender, Percent)
using TrsStorageDataProgressEvent = std::function<void(TObject* Sender, int Percent)>;

class TrsStorageData : public TComponent {
    Q_OBJECT

public:
    explicit TrsStorageData(TComponent* AOwner = nullptr);
    ~TrsStorageData() override;

    // The current storage, or nullptr.
    TrsStorage* Storage() const;
    int StorageCount() const { return int(FStorageList.size()); }

    // Adds the storage to the list when new and makes it current; nullptr
    // leaves no storage current.
    void AttachStorage(TrsStorage* AStorage);
    // Takes a listed storage out: it closes first when it is being destroyed,
    // and its StorageData is cleared when it still refers to this data.
    void DetachStorage(TrsStorage* AStorage);

    // Runs DoLoadStorage for the current storage; afterwards, also when it
    // raised, the storage's top level is current.
    void LoadStorage();
    // Runs DoSaveStorage for the current storage from its top level;
    // afterwards, also when it raised, its RootSection is restored.
    void SaveStorage();

    TNotifyEvent OnAfterLoad() const { return FOnAfterLoad; }
    void SetOnAfterLoad(TNotifyEvent Value) { FOnAfterLoad = std::move(Value); }
    TNotifyEvent OnAfterSave() const { return FOnAfterSave; }
    void SetOnAfterSave(TNotifyEvent Value) { FOnAfterSave = std::move(Value); }
    TNotifyEvent OnBeforeLoad() const { return FOnBeforeLoad; }
    void SetOnBeforeLoad(TNotifyEvent Value) { FOnBeforeLoad = std::move(Value); }
    TNotifyEvent OnBeforeSave() const { return FOnBeforeSave; }
    void SetOnBeforeSave(TNotifyEvent Value) { FOnBeforeSave = std::move(Value); }
    TrsStorageDataProgressEvent OnProgress() const { return FOnProgress; }
    void SetOnProgress(TrsStorageDataProgressEvent Value) { FOnProgress = std::move(Value); }

    // Set by a backend: the items it will process (0 = no progress
    // reporting) and those done so far.
    int ProgressItemCount = 0;
    int ProgressItemCurrent = 0;

    // Fires OnProgress with ProgressItemCurrent * 100 / ProgressItemCount
    // when that percentage is above the last one reported in this run.
    virtual void DoProgress();

protected:
    // Backend: adds the whole stored tree to Storage(), from its top level.
    virtual void DoLoadStorage() { }
    // Backend: writes the whole tree of Storage(), walking from the top.
    virtual void DoSaveStorage() { }

    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    int IndexOfStorage(const TComponent* AStorage) const;
    void ResetProgress();

    std::vector<TrsStorage*> FStorageList;
    int FCurrentStorageIdx = -1;
    TNotifyEvent FOnBeforeSave;
    TNotifyEvent FOnAfterLoad;
    TNotifyEvent FOnAfterSave;
    TNotifyEvent FOnBeforeLoad;
    TrsStorageDataProgressEvent FOnProgress;
    int FPreviousPercent = -1;
};
