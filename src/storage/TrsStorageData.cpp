#include "storage/TrsStorageData.h"

#include "storage/TrsStorage.h"

#include <QtDebug>

TrsStorageData::TrsStorageData(TComponent* AOwner)
    : TComponent(AOwner)
{
}

TrsStorageData::~TrsStorageData()
{
    while (!FStorageList.empty())
        DetachStorage(FStorageList.back());
}

TrsStorage* TrsStorageData::Storage() const
{
    if (FCurrentStorageIdx < 0 || FCurrentStorageIdx >= StorageCount())
        return nullptr;
    return FStorageList[size_t(FCurrentStorageIdx)];
}

int TrsStorageData::IndexOfStorage(const TComponent* AStorage) const
{
    for (size_t i = 0; i < FStorageList.size(); ++i)
        if (static_cast<const TComponent*>(FStorageList[i]) == AStorage)
            return int(i);
    return -1;
}

void TrsStorageData::AttachStorage(TrsStorage* AStorage)
{
    if (!AStorage) {
        FCurrentStorageIdx = -1;
        return;
    }
    int index = IndexOfStorage(AStorage);
    if (index < 0) {
        FStorageList.push_back(AStorage);
        FreeNotification(AStorage);
        index = StorageCount() - 1;
    }
    FCurrentStorageIdx = index;
}

void TrsStorageData::DetachStorage(TrsStorage* AStorage)
{
    if (IndexOfStorage(AStorage) < 0)
        return;
    if (AStorage->IsDestroying()) {
        // Called while components are destroyed: an error has nobody to go
        // to, and must not leave a destructor.
        try {
            AStorage->Close();
        } catch (const std::exception& e) {
            qWarning("Closing save of storage \"%s\" failed: %s", qPrintable(AStorage->Name()), e.what());
        }
    }
    if (AStorage->StorageData() == this)
        AStorage->SetStorageData(nullptr);
    // Closing may have attached it again; look it up afresh.
    const int index = IndexOfStorage(AStorage);
    if (index < 0)
        return;
    TrsStorage* current = Storage();
    FStorageList.erase(FStorageList.begin() + index);
    RemoveFreeNotification(AStorage);
    FCurrentStorageIdx = current && current != AStorage ? IndexOfStorage(current) : -1;
}

void TrsStorageData::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove)
        return;
    const int index = IndexOfStorage(AComponent);
    if (index < 0)
        return;
    // Both going at once: the storage closes (and may save) while this data
    // is still whole. Otherwise the storage has closed itself already.
    if (IsDestroying()) {
        DetachStorage(FStorageList[size_t(index)]);
        return;
    }
    TrsStorage* current = Storage();
    FStorageList.erase(FStorageList.begin() + index);
    FCurrentStorageIdx = current && index != FCurrentStorageIdx ? IndexOfStorage(current) : -1;
}

void TrsStorageData::ResetProgress()
{
    ProgressItemCount = 0;
    ProgressItemCurrent = 0;
    FPreviousPercent = -1;
}

void TrsStorageData::LoadStorage()
{
    if (FOnBeforeLoad)
        FOnBeforeLoad(this);
    TrsStorage* storage = Storage();
    if (!storage)
        return;
    ResetProgress();
    try {
        DoLoadStorage();
    } catch (...) {
        storage->SetRootSection(QString());
        if (FOnAfterLoad)
            FOnAfterLoad(this);
        throw;
    }
    storage->SetRootSection(QString());
    if (FOnAfterLoad)
        FOnAfterLoad(this);
}

void TrsStorageData::SaveStorage()
{
    if (FOnBeforeSave)
        FOnBeforeSave(this);
    TrsStorage* storage = Storage();
    if (!storage)
        return;
    const QString rootSection = storage->RootSection();
    storage->SetRootSection(QString());
    ResetProgress();
    try {
        DoSaveStorage();
    } catch (...) {
        storage->SetRootSection(rootSection);
        if (FOnAfterSave)
            FOnAfterSave(this);
        throw;
    }
    storage->SetRootSection(rootSection);
    if (FOnAfterSave)
        FOnAfterSave(this);
}

void TrsStorageData::DoProgress()
{
    if (!FOnProgress || ProgressItemCount <= 0)
        return;
    const int percent = int(qint64(ProgressItemCurrent) * 100 / ProgressItemCount);
    if (percent > FPreviousPercent) {
        FPreviousPercent = percent;
        FOnProgress(this, percent);
    }
}
