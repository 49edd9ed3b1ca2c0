#include "storage/TrsStorage.h"

#include "framework/TextCompare.h"
#include "storage/StorageUtils.h"
#include "storage/TrsEncryptor.h"
#include "storage/TrsStorageData.h"

#include <QtDebug>

namespace {

// Restores the client list's Active flag when it leaves scope.
class TNotificationsOff {
public:
    explicit TNotificationsOff(TrsClientList& list)
        : FList(list)
        , FWasActive(list.Active())
    {
        FList.SetActive(false);
    }
    ~TNotificationsOff() { FList.SetActive(FWasActive); }

private:
    TrsClientList& FList;
    bool FWasActive;
};

// Removes a state when it leaves scope, also when an exception passes.
class TStateScope {
public:
    TStateScope(TrsStorageStates& states, TrsStorageState state, bool include = true)
        : FStates(states)
        , FState(state)
        , FIncluded(include)
    {
        if (FIncluded)
            FStates.Include(FState);
    }
    ~TStateScope()
    {
        if (FIncluded)
            FStates.Exclude(FState);
    }

private:
    TrsStorageStates& FStates;
    TrsStorageState FState;
    bool FIncluded;
};

// The first position in [begin, end) for which less(position) is false.
template <typename Less> int PartitionPoint(int begin, int end, Less less)
{
    while (begin < end) {
        const int middle = begin + (end - begin) / 2;
        if (less(middle))
            begin = middle + 1;
        else
            end = middle;
    }
    return begin;
}

// Drops trailing separators, then the last separator and what follows.
QString ParentPathText(const QString& path)
{
    qsizetype end = path.size();
    while (end > 0 && IsPathDelimiter(path[end - 1]))
        --end;
    while (end > 0 && !IsPathDelimiter(path[end - 1]))
        --end;
    while (end > 0 && IsPathDelimiter(path[end - 1]))
        --end;
    return path.left(end);
}

} // namespace

TrsStorage::TrsStorage(TComponent* AOwner)
    : TComponent(AOwner)
    , FSectionWrapper(std::make_unique<TrsSectionWrapper>(this))
    , FKeyWrapper(std::make_unique<TrsKeyWrapper>(this))
    , FClientList(std::make_unique<TrsClientList>())
{
}

TrsStorage::~TrsStorage()
{
    // A destructor cannot pass an error on; a failed closing save is
    // reported on the debug channel.
    try {
        Close();
    } catch (const std::exception& e) {
        qWarning("Closing save of storage \"%s\" failed: %s", qPrintable(Name()), e.what());
    }
    ClearAll();
    FClientList->Clear();
    SetEncryptor(nullptr);
    if (TrsStorageData* data = FStorageData)
        data->DetachStorage(this);
}

// ---------------------------------------------------------------------------
// Lifecycle and whole-tree transfer

void TrsStorage::SetActive(bool Value)
{
    if (Value == FActive)
        return;
    if (Value)
        Open();
    else
        Close();
}

void TrsStorage::Open()
{
    if (FActive)
        return;
    if (IsLoading())
        FLazyActive = true;
    else
        Load();
    FActive = true;
}

void TrsStorage::Loaded()
{
    TComponent::Loaded();
    if (FLazyActive) {
        FLazyActive = false;
        Load();
    }
}

void TrsStorage::Close()
{
    if (FActive) {
        if (FOptions.Contains(soSaveOnClose))
            Save();
        FActive = false;
    }
    FKeyWrapper->ReleaseMemStream();
}

void TrsStorage::Load()
{
    TStateScope loading(FCurrentStates, ssLoading);
    // A reloaded tree is mostly as large as the one before: its arrays keep
    // their room rather than being freed and grown again from nothing, which
    // also spares the allocator handing the memory back and forth.
    EmptyTree(true);
    Merge();
}

void TrsStorage::Merge()
{
    TStateScope merging(FCurrentStates, ssMerging, !FCurrentStates.Contains(ssLoading));
    FireEvent(FOnBeforeLoad);
    if (FStorageData) {
        {
            TNotificationsOff off(*FClientList);
            FStorageData->AttachStorage(this);
            FStorageData->LoadStorage();
            DecryptData();
        }
        Notify(scnLoad, nullptr);
    }
    FireEvent(FOnAfterLoad);
}

void TrsStorage::Save()
{
    TStateScope saving(FCurrentStates, ssSaving);
    FireEvent(FOnBeforeSave);
    if (FStorageData) {
        EncryptData();
        FStorageData->AttachStorage(this);
        FStorageData->SaveStorage();
        DecryptData();
    }
    FireEvent(FOnAfterSave);
}

void TrsStorage::EncryptData()
{
    if (!FEncryptor || !FEncryptor->Active())
        return;
    FEncryptor->SetStorage(this);
    FEncryptor->DoEncrypt();
}

void TrsStorage::DecryptData()
{
    if (!FEncryptor || !FEncryptor->Active())
        return;
    FEncryptor->SetStorage(this);
    FEncryptor->DoDecrypt();
}

void TrsStorage::FireEvent(const TNotifyEvent& Event)
{
    if (Event)
        Event(this);
}

void TrsStorage::Clear()
{
    {
        TNotificationsOff off(*FClientList);
        DeleteSectionContent(FSectionIdx, false);
        RecomputeMaxId();
    }
    const QString path = GetSectionPath(FSectionIdx);
    Notify(scnSectionClear, &path);
}

void TrsStorage::ClearAll()
{
    EmptyTree(false);
}

void TrsStorage::EmptyTree(bool KeepRoom)
{
    TStateScope clearing(FCurrentStates, ssClearing);
    {
        TNotificationsOff off(*FClientList);
        // With the clients silenced the event is all a deletion fires here.
        if (FOnKeyDeletion)
            for (int i = 0; i < FKeyList.Count(); ++i)
                DoKeyDeletion(i);
        FKeyWrapper->SetKeyItem(nullptr);
        if (KeepRoom) {
            FKeyList.Empty();
            FSectionList.Empty();
        } else {
            FKeyList.Release();
            FSectionList.Release();
        }
        ResetWhenSectionsEmpty();
        InvalidateCaches();
        FKeyIndex = -1;
        FSectionIndex = -1;
        FSectionWrapper->SetSectionIdx(-1);
        UpdateRanges();
    }
    Notify(scnClear, nullptr);
}

// ---------------------------------------------------------------------------
// Links to the storage data, the encryptor and the clients

void TrsStorage::SetStorageData(TrsStorageData* Value)
{
    if (Value == FStorageData)
        return;
    // The old data keeps this storage in its list (not current), so the
    // removal notification between the two stays in place.
    if (FStorageData)
        FStorageData->AttachStorage(nullptr);
    FStorageData = Value;
    if (FStorageData)
        FStorageData->AttachStorage(this);
}

void TrsStorage::SetEncryptor(TrsEncryptor* Value)
{
    if (Value == FEncryptor)
        return;
    if (FEncryptor) {
        FEncryptor->SetStorage(nullptr);
        RemoveFreeNotification(FEncryptor);
    }
    FEncryptor = Value;
    if (FEncryptor) {
        FreeNotification(FEncryptor);
        FEncryptor->SetStorage(this);
    }
}

void TrsStorage::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove)
        return;
    const bool isData = FStorageData && AComponent == FStorageData;
    const bool isEncryptor = FEncryptor && AComponent == FEncryptor;
    if ((isData || isEncryptor) && IsDestroying()) {
        // Being destroyed together: close (and save) while the partner is
        // still whole.
        try {
            Close();
        } catch (const std::exception& e) {
            qWarning("Closing save of storage \"%s\" failed: %s", qPrintable(Name()), e.what());
        }
    }
    if (FStorageData && AComponent == FStorageData)
        FStorageData = nullptr;
    if (FEncryptor && AComponent == FEncryptor)
        FEncryptor = nullptr;
    for (int i = FClientList->Count() - 1; i >= 0; --i)
        if (static_cast<TComponent*>(FClientList->Clients(i)) == AComponent)
            FClientList->Delete(i);
}

void TrsStorage::Notify(TrsClientNotification Value, const QString* Text)
{
    FClientList->DoNotification(Value, Text, 0);
}

// ---------------------------------------------------------------------------
// Path resolution

int TrsStorage::SectionIdOf(int SectionIdx) const
{
    return SectionIdx >= 0 && SectionIdx < FSectionList.Count() ? FSectionList[SectionIdx].Id : 0;
}

void TrsStorage::ChildRange(int ParentId, int& BeginIdx, int& EndIdx) const
{
    const int count = FSectionList.Count();
    BeginIdx = PartitionPoint(0, count, [&](int i) { return FSectionList[i].ParentId < ParentId; });
    EndIdx = PartitionPoint(BeginIdx, count, [&](int i) { return FSectionList[i].ParentId <= ParentId; });
}

// A walk over the tree, as a save makes, asks for the runs mostly in the
// order they lie: the end of the last run found is tried first, and the end
// of a run that starts there is found by doubling steps, which touch only
// records near it instead of the whole array's middles.
void TrsStorage::KeyRunOf(int SectionId, int& BeginIdx, int& EndIdx) const
{
    const int count = FKeyList.Count();
    auto before = [&](int i) { return FKeyList[i].SectionId < SectionId; };
    auto within = [&](int i) { return FKeyList[i].SectionId <= SectionId; };
    const int hint = FKeyRunHint;
    if (count == 0 || before(count - 1)) {
        // After every key, as for a section a load has just added.
        BeginIdx = EndIdx = count;
    } else if (!within(0)) {
        BeginIdx = EndIdx = 0; // before every key, as for the top level mostly
    } else if (hint < count && (hint == 0 || before(hint - 1)) && !before(hint)) {
        BeginIdx = hint;
        int step = 1;
        while (hint + step < count && within(hint + step))
            step *= 2;
        EndIdx = PartitionPoint(hint + step / 2, std::min(hint + step, count), within);
    } else {
        BeginIdx = PartitionPoint(0, count, before);
        EndIdx = PartitionPoint(BeginIdx, count, within);
    }
    if (EndIdx > BeginIdx)
        FKeyRunHint = EndIdx;
}

int TrsStorage::SearchKey(int BeginIdx, int EndIdx, int SectionId, QStringView Name, bool& Found) const
{
    // Files list keys in order, so a load appends: one comparison with the
    // last key of the run settles that case.
    if (EndIdx > BeginIdx) {
        const TrsKeyItem& last = FKeyList[EndIdx - 1];
        if (last.SectionId == SectionId && CompareText(last.Name, Name) < 0) {
            Found = false;
            return EndIdx;
        }
    }
    const int pos = PartitionPoint(BeginIdx, EndIdx, [&](int i) {
        const TrsKeyItem& key = FKeyList[i];
        return key.SectionId != SectionId ? key.SectionId < SectionId : CompareText(key.Name, Name) < 0;
    });
    Found = pos < EndIdx && FKeyList[pos].SectionId == SectionId && SameText(FKeyList[pos].Name, Name);
    return pos;
}

int TrsStorage::FindChildSection(int ParentIdx, QStringView Name, bool Create)
{
    const int parentId = SectionIdOf(ParentIdx);
    int begin;
    int end;
    ChildRange(parentId, begin, end);
    const int pos
        = PartitionPoint(begin, end, [&](int i) { return CompareText(FSectionList[i].Name, Name) < 0; });
    if (pos < end && SameText(FSectionList[pos].Name, Name))
        return pos;
    if (!Create || Name.isEmpty())
        return -1;
    return InsertSection(pos, Name.toString(), parentId);
}

int TrsStorage::FindSection(const QString& Section, bool Create)
{
    bool found;
    const int index = FindSectionEx(Section, Create, found);
    return found ? index : -1;
}

int TrsStorage::FindSectionEx(QStringView Section, bool Create, bool& Found)
{
    Found = false;
    if (Section.isEmpty())
        return -1;
    const int mode = FPreferStartSection;
    FPreferStartSection = psNormal;
    qsizetype pos = 0;
    int current = FSectionIdx;
    if (mode == psTopLevel) {
        current = -1;
    } else if (mode == psNormal && IsPathDelimiter(Section[0])) {
        current = -1;
        pos = 1;
    }
    while (pos < Section.size() && IsPathDelimiter(Section[pos]))
        ++pos;
    while (pos < Section.size()) {
        const QStringView name = NextPathPart(Section, pos);
        if (name.isEmpty())
            return -1;
        current = FindChildSection(current, name, Create);
        if (current < 0)
            return -1;
        // One separator ends a component; a final one ends the path.
        if (pos < Section.size())
            ++pos;
    }
    Found = true;
    return current;
}

int TrsStorage::FindKey(const QString& Key, bool Create)
{
    if (Key.isEmpty())
        return -1;
    qsizetype split = Key.size() - 1;
    while (split >= 0 && !IsPathDelimiter(Key[split]))
        --split;
    int sectionIdx = FSectionIdx;
    const QStringView name = QStringView(Key).mid(split + 1);
    if (split == 0) {
        sectionIdx = -1; // one leading separator, then the name: top level
    } else if (split > 0) {
        const QStringView sectionPart = QStringView(Key).left(split);
        const bool absolute = IsPathDelimiter(Key[0]);
        const int baseId = absolute ? 0 : SectionIdOf(FSectionIdx);
        if (FCacheSectionIdx >= 0 && FCacheSectionIdx < FSectionList.Count()
            && FSectionList[FCacheSectionIdx].Id == FCacheSectionId && FCacheSectionBaseId == baseId
            && SameText(sectionPart, FCacheSectionName)) {
            sectionIdx = FCacheSectionIdx;
        } else {
            bool found;
            sectionIdx = FindSectionEx(sectionPart, Create, found);
            if (!found)
                return -1;
            if (sectionIdx >= 0) {
                FCacheSectionName = sectionPart.toString();
                FCacheSectionIdx = sectionIdx;
                FCacheSectionId = FSectionList[sectionIdx].Id;
                FCacheSectionBaseId = baseId;
            }
        }
    }
    return FindKeyInSection(sectionIdx, name, split < 0 ? &Key : nullptr, Create);
}

int TrsStorage::FindKeyByName(const QString& Name, bool Create)
{
    return FindKeyInSection(FSectionIdx, Name, &Name, Create);
}

// WholeName, when given, is Name as a text of its own, shared by a new key.
int TrsStorage::FindKeyInSection(int sectionIdx, QStringView name, const QString* WholeName, bool Create)
{
    const int sectionId = SectionIdOf(sectionIdx);
    int index = -1;
    // The key found last, compared once: the same key again, or on a load
    // the key after it when it ends its run.
    int afterCached = 1;
    if (FCacheKeyIdx >= 0 && FCacheKeyIdx < FKeyList.Count() && FCacheKeySectionId == sectionId
        && FKeyList[FCacheKeyIdx].SectionId == sectionId)
        afterCached = CompareText(FKeyList[FCacheKeyIdx].Name, name);
    if (afterCached == 0) {
        index = FCacheKeyIdx;
    } else {
        int begin;
        int end;
        if (sectionIdx == FSectionIdx && FKeyBeginIdx >= 0) {
            begin = FKeyBeginIdx;
            end = FKeyEndIdx;
        } else {
            KeyRunOf(sectionId, begin, end);
        }
        bool found = false;
        index = afterCached < 0 && FCacheKeyIdx == end - 1 ? end
                                                           : SearchKey(begin, end, sectionId, name, found);
        if (!found) {
            if (!Create)
                return -1;
            // The name is passed in each branch: a conditional between
            // *WholeName and a temporary would copy *WholeName first.
            index = WholeName ? InsertKey(index, *WholeName, sectionId)
                              : InsertKey(index, name.toString(), sectionId);
            DoKeyAdd(index);
        }
    }
    FCacheKeyIdx = index;
    FCacheKeySectionId = sectionId;
    FKeyWrapper->SetKeyItem(&FKeyList[index], sectionIdx);
    return index;
}

// ---------------------------------------------------------------------------
// Record insertion and removal

int TrsStorage::InsertSection(int Index, const QString& Name, int ParentId)
{
    TrsSectionItem item;
    item.Name = Name;
    item.Id = ++FSectionMaxId;
    item.ParentId = ParentId;
    FSectionList.Insert(Index, std::move(item));
    if (FSectionIdx >= Index)
        ++FSectionIdx;
    if (FSectionIndex >= Index) {
        ++FSectionIndex;
        FSectionWrapper->SetSectionIdx(FSectionIndex);
    }
    UpdateRanges();
    return Index;
}

int TrsStorage::InsertKey(int Index, const QString& Name, int SectionId)
{
    FKeyList.Insert(Index, TrsKeyItem { Name, SectionId, {} });
    FKeyWrapper->SetKeyItem(nullptr);
    if (FKeyIndex >= Index)
        ++FKeyIndex;
    if (FKeyIterationsBegin > Index)
        ++FKeyIterationsBegin;
    if (FKeyIterationsEnd >= Index && FKeyIterationsEnd >= 0)
        ++FKeyIterationsEnd;
    ShiftKeyRangeForInsert(Index, SectionId);
    return Index;
}

// The current section's key run after one key was inserted at INDEX: the
// sections are unchanged, so the run grows or moves without a search.
void TrsStorage::ShiftKeyRangeForInsert(int Index, int SectionId)
{
    if (SectionId == SectionIdOf(FSectionIdx)) {
        if (FKeyBeginIdx < 0)
            FKeyBeginIdx = FKeyEndIdx = Index;
        ++FKeyEndIdx;
    } else if (FKeyBeginIdx >= 0 && Index <= FKeyBeginIdx) {
        ++FKeyBeginIdx;
        ++FKeyEndIdx;
    }
}

int TrsStorage::KeyInsertSorted(const QString& Name)
{
    const int sectionId = SectionIdOf(FSectionIdx);
    int begin;
    int end;
    KeyRunOf(sectionId, begin, end);
    const int pos
        = PartitionPoint(begin, end, [&](int i) { return CompareText(FKeyList[i].Name, Name) <= 0; });
    const int index = InsertKey(pos, Name, sectionId);
    DoKeyAdd(index);
    return index;
}

void TrsStorage::RemoveKeys(int Index, int Count)
{
    if (Count <= 0)
        return;
    FKeyList.Remove(Index, Count);
    FKeyWrapper->SetKeyItem(nullptr);
    // Positions after the removed run move down; an iteration standing in it
    // goes on with the key that followed it.
    auto shift = [&](int& position) {
        if (position >= Index + Count)
            position -= Count;
        else if (position >= Index)
            position = Index - 1;
    };
    shift(FKeyIndex);
    shift(FKeyIterationsEnd);
    if (FKeyIterationsBegin >= Index + Count)
        FKeyIterationsBegin -= Count;
    else if (FKeyIterationsBegin > Index)
        FKeyIterationsBegin = Index;
    if (FCacheKeyIdx >= Index)
        FCacheKeyIdx = -1;
    UpdateRanges();
}

void TrsStorage::RemoveSections(int Index, int Count)
{
    if (Count <= 0)
        return;
    FSectionList.Remove(Index, Count);
    if (FSectionIdx >= Index + Count)
        FSectionIdx -= Count;
    else if (FSectionIdx >= Index)
        FSectionIdx = -1; // the caller selects the top level properly
    FSectionIndex = -1;
    FSectionWrapper->SetSectionIdx(-1);
    // Ids can be handed out again after a removal, so a cached position
    // validated by its Id could name another section: drop the cache.
    FCacheSectionIdx = -1;
    FCacheSectionName.clear();
    if (FSectionList.Count() == 0)
        ResetWhenSectionsEmpty();
    UpdateRanges();
}

void TrsStorage::ResetWhenSectionsEmpty()
{
    FRootSection.clear();
    FSectionMaxId = 0;
    FSectionIdx = -1;
}

void TrsStorage::InvalidateCaches()
{
    FCacheSectionName.clear();
    FCacheSectionIdx = -1;
    FCacheSectionId = 0;
    FCacheSectionBaseId = 0;
    FCacheKeyIdx = -1;
    FCacheKeySectionId = 0;
}

void TrsStorage::UpdateRanges()
{
    const int id = SectionIdOf(FSectionIdx);
    ChildRange(id, FSectionChildBeginIdx, FSectionChildEndIdx);
    if (FSectionChildBeginIdx == FSectionChildEndIdx)
        FSectionChildBeginIdx = FSectionChildEndIdx = -1;
    KeyRunOf(id, FKeyBeginIdx, FKeyEndIdx);
    if (FKeyBeginIdx == FKeyEndIdx)
        FKeyBeginIdx = FKeyEndIdx = -1;
}

void TrsStorage::RecomputeMaxId()
{
    int maxId = 0;
    for (int i = 0; i < FSectionList.Count(); ++i)
        maxId = std::max(maxId, FSectionList[i].Id);
    FSectionMaxId = maxId;
}

void TrsStorage::DeleteSectionContent(int SectionIdx, bool DeleteSelf)
{
    const int id = SectionIdOf(SectionIdx);
    int begin;
    int end;
    ChildRange(id, begin, end);
    // Grandchildren lie after the run of children, so the run stays put
    // while they go.
    for (int i = end - 1; i >= begin; --i)
        DeleteSectionContent(i, false);
    RemoveSections(begin, end - begin);
    KeyRunOf(id, begin, end);
    for (int i = begin; i < end; ++i)
        DoKeyDeletion(i);
    RemoveKeys(begin, end - begin);
    if (DeleteSelf && SectionIdx >= 0)
        RemoveSections(SectionIdx, 1);
}

bool TrsStorage::IsInside(int SectionIdx, int AncestorIdx) const
{
    while (SectionIdx >= 0) {
        if (SectionIdx == AncestorIdx)
            return true;
        SectionIdx = IndexOfSectionId(FSectionList[SectionIdx].ParentId, -1, SectionIdx);
    }
    return false;
}

int TrsStorage::IndexOfSectionId(int Id, int Hint, int Before) const
{
    if (Id <= 0)
        return -1;
    if (Hint >= 0 && Hint < FSectionList.Count() && FSectionList[Hint].Id == Id)
        return Hint;
    const int last = Before >= 0 ? std::min(Before, FSectionList.Count()) : FSectionList.Count();
    for (int i = last - 1; i >= 0; --i)
        if (FSectionList[i].Id == Id)
            return i;
    return -1;
}

// ---------------------------------------------------------------------------
// Key notifications

void TrsStorage::DoKeyAdd(int Index)
{
    TrsKeyItem& item = FKeyList[Index];
    FKeyWrapper->SetKeyItem(&item);
    // Nobody to tell, as on most loads: the name is not even copied.
    if (!FOnKeyAdd && !(FClientList->Active() && FClientList->NotificationExist(scnKeyAdd)))
        return;
    const QString name = item.Name;
    if (FOnKeyAdd)
        FOnKeyAdd(this, name);
    Notify(scnKeyAdd, &name);
}

void TrsStorage::DoKeyDeletion(int Index)
{
    TrsKeyItem& item = FKeyList[Index];
    FKeyWrapper->SetKeyItem(&item);
    const QString name = item.Name;
    if (FOnKeyDeletion)
        FOnKeyDeletion(this, name);
    Notify(scnKeyDelete, &name);
}

// ---------------------------------------------------------------------------
// Current section

void TrsStorage::SetRootSection(const QString& Value)
{
    FPreferStartSection = psTopLevel;
    bool found = true;
    const int index = Value.isEmpty() ? -1 : FindSectionEx(Value, true, found);
    FPreferStartSection = psNormal;
    // A value that cannot name a section (two separators in a row) selects
    // the top level; the text is kept as the caller wrote it.
    FSectionIdx = found ? index : -1;
    FRootSection = Value;
    UpdateRanges();
    Notify(scnRootSectionChanged, &FRootSection);
}

bool TrsStorage::ChangeDownRootSection(const QString& Section)
{
    FPreferStartSection = psCurrent;
    bool found;
    const int index = FindSectionEx(Section, false, found);
    FPreferStartSection = psNormal;
    if (!found)
        return false;
    FSectionIdx = index;
    FRootSection = FRootSection.isEmpty() ? Section : FRootSection + u'\\' + Section;
    UpdateRanges();
    return true;
}

bool TrsStorage::ChangeUpRootSection()
{
    if (FSectionIdx < 0)
        return false;
    FSectionIdx = IndexOfSectionId(FSectionList[FSectionIdx].ParentId, -1, FSectionIdx);
    FRootSection = FSectionIdx < 0 ? QString() : ParentPathText(FRootSection);
    UpdateRanges();
    return true;
}

QString TrsStorage::SectionName() const
{
    return FSectionIdx >= 0 ? FSectionList[FSectionIdx].Name : QString();
}

// ---------------------------------------------------------------------------
// Sections

bool TrsStorage::SectionAdd(const QString& Section)
{
    bool found;
    const int index = FindSectionEx(Section, true, found);
    if (!found || index < 0)
        return false;
    const QString path = GetSectionPath(index);
    Notify(scnSectionAdd, &path);
    return true;
}

void TrsStorage::SectionDelete(const QString& Section)
{
    bool found;
    const int index = FindSectionEx(Section, false, found);
    if (!found || index < 0)
        return;
    const QString path = GetSectionPath(index);
    // Deleting the current section or one of its ancestors would leave the
    // current section on a removed record: the top level becomes current.
    const bool currentGoes = IsInside(FSectionIdx, index);
    DeleteSectionContent(index, true);
    if (currentGoes)
        SetRootSection(QString());
    Notify(scnSectionDelete, &path);
}

bool TrsStorage::SectionExist(const QString& Section)
{
    bool found;
    return FindSectionEx(Section, false, found) >= 0 && found;
}

void TrsStorage::SectionClear(const QString& Section)
{
    const QString rootSection = FRootSection;
    SetRootSection(Section);
    Clear();
    SetRootSection(rootSection);
}

int TrsStorage::SectionCount() const
{
    return FSectionChildBeginIdx < 0 ? 0 : FSectionChildEndIdx - FSectionChildBeginIdx;
}

void TrsStorage::SectionList(QStringList& Strings) const
{
    Strings.clear();
    for (int i = std::max(FSectionChildBeginIdx, 0); i < FSectionChildEndIdx; ++i)
        Strings.append(FSectionList[i].Name);
}

void TrsStorage::SectionValues(QStringList& Strings)
{
    Strings.clear();
    for (int i = std::max(FKeyBeginIdx, 0); i < FKeyEndIdx; ++i) {
        FKeyWrapper->SetKeyItem(&FKeyList[i], FSectionIdx);
        Strings.append(FKeyList[i].Name + u'=' + FKeyWrapper->AsString());
    }
}

int TrsStorage::SectionFirst()
{
    FSectionIndex = FSectionList.Count() > 0 ? 0 : -1;
    FSectionWrapper->SetSectionIdx(FSectionIndex);
    return FSectionIndex;
}

int TrsStorage::SectionNext()
{
    FSectionIndex = FSectionIndex >= 0 && FSectionIndex + 1 < FSectionList.Count() ? FSectionIndex + 1 : -1;
    FSectionWrapper->SetSectionIdx(FSectionIndex);
    return FSectionIndex;
}

int TrsStorage::SectionPrior()
{
    FSectionIndex = FSectionIndex > 0 && FSectionIndex < FSectionList.Count() ? FSectionIndex - 1 : -1;
    FSectionWrapper->SetSectionIdx(FSectionIndex);
    return FSectionIndex;
}

int TrsStorage::SectionLast()
{
    FSectionIndex = FSectionList.Count() - 1;
    FSectionWrapper->SetSectionIdx(FSectionIndex);
    return FSectionIndex;
}

// ---------------------------------------------------------------------------
// Tree access for backends

bool TrsStorage::GetKeyRange(int& BeginIdx, int& EndIdx) const
{
    BeginIdx = FKeyBeginIdx;
    EndIdx = FKeyEndIdx;
    return FKeyBeginIdx >= 0;
}

bool TrsStorage::GetSectionRange(int& BeginIdx, int& EndIdx) const
{
    BeginIdx = FSectionChildBeginIdx;
    EndIdx = FSectionChildEndIdx;
    return FSectionChildBeginIdx >= 0;
}

TrsKeyItem* TrsStorage::GetKeyItem(int Index)
{
    return Index >= 0 && Index < FKeyList.Count() ? &FKeyList[Index] : nullptr;
}

TrsSectionItem* TrsStorage::GetSectionItem(int Index)
{
    return Index >= 0 && Index < FSectionList.Count() ? &FSectionList[Index] : nullptr;
}

const TrsSectionItem* TrsStorage::GetSectionItem(int Index) const
{
    return Index >= 0 && Index < FSectionList.Count() ? &FSectionList[Index] : nullptr;
}

QString TrsStorage::GetSectionPath(int Index) const
{
    if (Index < 0 || Index >= FSectionList.Count())
        return QString();
    QString path = FSectionList[Index].Name;
    int index = IndexOfSectionId(FSectionList[Index].ParentId, -1, Index);
    while (index >= 0) {
        path = FSectionList[index].Name + u'\\' + path;
        index = IndexOfSectionId(FSectionList[index].ParentId, -1, index);
    }
    return path;
}

int TrsStorage::GetSectionLevel(int Index) const
{
    int level = 0;
    while (Index >= 0 && Index < FSectionList.Count()) {
        ++level;
        Index = IndexOfSectionId(FSectionList[Index].ParentId, -1, Index);
    }
    return level;
}
