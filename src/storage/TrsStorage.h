// TrsStorage: a tree of named sections and typed keys held in memory,
// addressed by path texts ("A\B\key", "/" and "\" both separate; a leading
// separator makes a path absolute, otherwise it is relative to the current
// section, RootSection). The whole tree moves to and from a storage data
// backend on Load, Merge and Save, passing through an optional encryptor.
//
// All sections live in one array sorted by (ParentId, name) and all keys in
// one array sorted by (SectionId, name), names compared with CompareText;
// lookups are binary searches. The storage owns both arrays, its key and
// section wrappers, its client list and its lock. StorageData, Encryptor
// and the clients are plain references, cleared through removal
// notifications. Absent keys never raise: reads return the caller's
// default. Not thread-safe: Lock and Unlock are offered for callers that
// share a storage between threads, and no operation takes them itself.
#pragma once

#include "framework/Component.h"
#include "framework/Events.h"
#include "framework/VariantTypes.h"
#include "storage/TrsClientList.h"
#include "storage/TrsEnumSet.h"
#include "storage/TrsKeyItem.h"
#include "storage/TrsKeyWrapper.h"
#include "storage/TrsSectionItem.h"
#include "storage/TrsSectionWrapper.h"

#include <QList>
#include <QObject>
#include <QPoint>
#include <QRecursiveMutex>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <algorithm>
#include <functional>
#include <iterator>
#include <memory>
#include <span>
#include <vector>

class QIODevice;
class TrsEncryptor;
class TrsStorageData;

enum TrsStorageOption { soSaveOnClose = 0, soSaveEmptySection = 1 };
using TrsStorageOptions = TrsEnumSet<TrsStorageOption>;

// The published form of TrsStorageOptions: one bit per option, bit n for the
// option with ordinal n, under the options' own names.
namespace TrsStoragePublished {
Q_NAMESPACE

enum TrsStorageOptionBit { soSaveOnClose = 0x1, soSaveEmptySection = 0x2 };
Q_DECLARE_FLAGS(TrsStorageOptionBits, TrsStorageOptionBit)
Q_FLAG_NS(TrsStorageOptionBits)

} // namespace TrsStoragePublished

enum TrsStorageState { ssClearing = 0, ssLoading = 1, ssMerging = 2, ssSaving = 3, ssSavingChanges = 4 };
using TrsStorageStates = TrsEnumSet<TrsStorageState>;

// (Sender, Key): fired with the key's own name.
using TrsStorageKeyEvent = std::function<void(TObject* Sender, const QString& Key)>;

// A contiguous array of records that grows and shrinks by the storage's
// rule: a full array grows by 8 while its capacity is at most 16, by 16
// while at most 64, by a quarter otherwise (never by less than asked); each
// removal gives back half of the free slots; an empty array holds nothing.
//
// The records are relocatable, so an insertion or removal moves the tail of
// the array in one block move. The rule gives the capacity the storage
// reports; the memory behind it grows geometrically and follows the
// capacity down only when it is far larger.
template <typename T> class TrsItemArray {
public:
    int Count() const { return int(FItems.size()); }
    int Capacity() const { return FCapacity; }
    T& operator[](int Index) { return FItems[Index]; }
    const T& operator[](int Index) const { return FItems[Index]; }
    const T* Data() const { return FItems.constData(); }
    void Insert(int Index, T&& Item);
    // Removes Count records from Index.
    void Remove(int Index, int Count);
    void Release();
    // Removes every item but keeps the room they took.
    void Empty();

private:
    QList<T> FItems;
    int FCapacity = 0;
};

template <typename T> void TrsItemArray<T>::Insert(int Index, T&& Item)
{
    if (Count() == FCapacity) {
        const int delta = FCapacity > 64 ? FCapacity / 4 : FCapacity > 16 ? 16 : 8;
        FCapacity += delta;
    }
    // The list grows its memory on its own, by reallocation: a reserve()
    // here would copy every record at each step of the rule.
    FItems.insert(Index, std::move(Item));
}

template <typename T> void TrsItemArray<T>::Remove(int Index, int Count)
{
    FItems.remove(Index, Count);
    if (FItems.isEmpty()) {
        Release();
        return;
    }
    FCapacity -= (FCapacity - this->Count()) / 2;
    // The memory follows the capacity only when it is far larger, so that
    // removing records one by one does not reallocate every time.
    if (FItems.capacity() > qsizetype(FCapacity) * 2 + 16) {
        QList<T> smaller;
        smaller.reserve(FCapacity);
        std::move(FItems.begin(), FItems.end(), std::back_inserter(smaller));
        FItems.swap(smaller);
    }
}

template <typename T> void TrsItemArray<T>::Empty()
{
    FItems.clear();
    FCapacity = 0;
}

template <typename T> void TrsItemArray<T>::Release()
{
    QList<T>().swap(FItems);
    FCapacity = 0;
}

class TrsStorage : public TComponent {
    Q_OBJECT
    Q_MOC_INCLUDE("storage/TrsEncryptor.h")
    Q_MOC_INCLUDE("storage/TrsStorageData.h")
    Q_PROPERTY(bool Active READ Active WRITE SetActive)
    Q_PROPERTY(TrsEncryptor* Encryptor READ Encryptor WRITE SetEncryptor)
    Q_PROPERTY(TrsStorageData* StorageData READ StorageData WRITE SetStorageData)
    Q_PROPERTY(QString RootSection READ RootSection WRITE SetRootSection)
    Q_PROPERTY(
        TrsStoragePublished::TrsStorageOptionBits Options READ PublishedOptions WRITE SetPublishedOptions)

public:
    explicit TrsStorage(TComponent* AOwner = nullptr);
    ~TrsStorage() override;

    static QString Version() { return QStringLiteral("3.77"); }

    // --- Lifecycle and whole-tree transfer ---
    bool Active() const { return FActive; }
    void SetActive(bool Value);
    void Open();
    // Saves first when active and soSaveOnClose is set.
    void Close();
    void Load();
    // Adds what the storage data holds to the tree without clearing it.
    void Merge();
    void Save();
    // Writes to StorageData only the keys that differ from DefaultData.
    void SaveChanges(TrsStorageData* DefaultData);
    // Empties the current section (keys and subsections, not the section).
    void Clear();
    // Empties the whole tree; the top level becomes current.
    void ClearAll();

    TrsStorageOptions Options() const { return FOptions; }
    void SetOptions(TrsStorageOptions Value) { FOptions = Value; }
    TrsStoragePublished::TrsStorageOptionBits PublishedOptions() const
    {
        return TrsStoragePublished::TrsStorageOptionBits::fromInt(int(FOptions.Bits()));
    }
    void SetPublishedOptions(TrsStoragePublished::TrsStorageOptionBits Value)
    {
        FOptions = TrsStorageOptions::FromBits(quint32(Value.toInt()));
    }
    TrsStorageStates CurrentStates() const { return FCurrentStates; }
    TrsStorageData* StorageData() const { return FStorageData; }
    void SetStorageData(TrsStorageData* Value);
    TrsEncryptor* Encryptor() const { return FEncryptor; }
    void SetEncryptor(TrsEncryptor* Value);
    TrsKeyWrapper& KeyWrapper() { return *FKeyWrapper; }
    TrsSectionWrapper& SectionWrapper() { return *FSectionWrapper; }
    TrsClientList& ClientList() { return *FClientList; }

    // --- Current section ---
    QString RootSection() const { return FRootSection; }
    // Selects (creating when missing) the section from the top level; an
    // empty value selects the top level.
    void SetRootSection(const QString& Value);
    // Selects a subsection of the current section; false when it is missing.
    bool ChangeDownRootSection(const QString& Section);
    // Selects the parent; false at the top level.
    bool ChangeUpRootSection();

    // --- Sections ---
    bool SectionAdd(const QString& Section);
    void SectionDelete(const QString& Section);
    bool SectionExist(const QString& Section);
    void SectionClear(const QString& Section);
    void SectionRename(const QString& OldName, const QString& NewName);
    void SectionSaveToStream(const QString& Section, QIODevice& Stream);
    void SectionLoadFromStream(const QString& Section, QIODevice& Stream);
    int SectionCount() const;
    void SectionList(QStringList& Strings) const;
    QString SectionName() const;
    void SectionValues(QStringList& Strings);
    // Iterate over every section of the tree in stored order; -1 at the ends.
    int SectionFirst();
    int SectionNext();
    int SectionPrior();
    int SectionLast();

    // --- Keys ---
    bool KeyExist(const QString& Key);
    void KeyDelete(const QString& Key);
    void KeyRename(const QString& OldName, const QString& NewName);
    int KeyCount() const;
    void KeyList(QStringList& Strings) const;
    // Iterate over the current section's keys, or over every key of the tree
    // when RootSection is empty; -1 at the ends.
    int KeyFirst();
    int KeyNext();
    int KeyPrior();
    int KeyLast();
    quint16 KeyOptions(const QString& Key);
    void SetKeyOptions(const QString& Key, quint16 Value);
    // -1 when absent.
    int KeyType(const QString& Key);
    void SetKeyType(const QString& Key, int Value);
    QVariant Values(const QString& Key);
    void SetValues(const QString& Key, const QVariant& Value);

    // --- Typed reads (the default when absent) and writes ---
    bool ReadBoolean(const QString& Key, bool DefValue);
    void WriteBoolean(const QString& Key, bool Value);
    qint32 ReadInteger(const QString& Key, qint32 DefValue);
    void WriteInteger(const QString& Key, qint32 Value);
    qint64 ReadInt64(const QString& Key, qint64 DefValue);
    void WriteInt64(const QString& Key, qint64 Value);
    double ReadFloat(const QString& Key, double DefValue);
    void WriteFloat(const QString& Key, double Value);
    TCurrency ReadCurrency(const QString& Key, TCurrency DefValue);
    void WriteCurrency(const QString& Key, TCurrency Value);
    TDateTime ReadDateTime(const QString& Key, TDateTime DefValue);
    void WriteDateTime(const QString& Key, TDateTime Value);
    QString ReadString(const QString& Key, const QString& DefValue);
    void WriteString(const QString& Key, const QString& Value);
    QString ReadText(const QString& Key, const QString& DefValue);
    void WriteText(const QString& Key, const QString& Value);
    // (0, 0) when absent.
    QPoint ReadPoint(const QString& Key);
    void WritePoint(const QString& Key, QPoint Value);
    quintptr ReadPointer(const QString& Key, quintptr DefValue);
    void WritePointer(const QString& Key, quint32 Value);
    int ReadBuffer(const QString& Key, void* Buffer, int Count);
    void WriteBuffer(const QString& Key, const void* Buffer, int Count);
    int ReadStream(const QString& Key, QIODevice& Stream);
    void WriteStream(const QString& Key, QIODevice& Stream);
    int ReadArray(const QString& Key, QVariantList& Values);
    void WriteArray(const QString& Key, const QVariantList& Values);
    // The instance's published properties (see TrsKeyWrapper); ReadComponent
    // gives the instance, or nullptr when the key is absent or holds none.
    QObject* ReadComponent(const QString& Key, QObject* Instance);
    void WriteComponent(const QString& Key, const QObject* Instance);
    bool ReadPersistent(const QString& Key, QObject* Instance);
    void WritePersistent(const QString& Key, const QObject* Instance);
    bool ReadStrings(const QString& Key, QStringList& Strings);
    void WriteStrings(const QString& Key, const QStringList& Strings);

    // --- Events ---
    TNotifyEvent OnAfterLoad() const { return FOnAfterLoad; }
    void SetOnAfterLoad(TNotifyEvent Value) { FOnAfterLoad = std::move(Value); }
    TNotifyEvent OnAfterSave() const { return FOnAfterSave; }
    void SetOnAfterSave(TNotifyEvent Value) { FOnAfterSave = std::move(Value); }
    TNotifyEvent OnBeforeLoad() const { return FOnBeforeLoad; }
    void SetOnBeforeLoad(TNotifyEvent Value) { FOnBeforeLoad = std::move(Value); }
    TNotifyEvent OnBeforeSave() const { return FOnBeforeSave; }
    void SetOnBeforeSave(TNotifyEvent Value) { FOnBeforeSave = std::move(Value); }
    TrsStorageKeyEvent OnKeyAdd() const { return FOnKeyAdd; }
    void SetOnKeyAdd(TrsStorageKeyEvent Value) { FOnKeyAdd = std::move(Value); }
    TrsStorageKeyEvent OnKeyDeletion() const { return FOnKeyDeletion; }
    void SetOnKeyDeletion(TrsStorageKeyEvent Value) { FOnKeyDeletion = std::move(Value); }

    void Lock() { FLock.lock(); }
    void Unlock() { FLock.unlock(); }

    // --- Tree access for backends, the section stream and the encryptor ---
    // The current section's key range [BeginIdx, EndIdx); false when empty.
    bool GetKeyRange(int& BeginIdx, int& EndIdx) const;
    bool GetSectionRange(int& BeginIdx, int& EndIdx) const;
    TrsKeyItem* GetKeyItem(int Index);
    // The current section's keys (GetKeyRange's) as one array, for a walk
    // that reads them in order; valid until the next change of the keys.
    std::span<const TrsKeyItem> CurrentKeys() const
    {
        if (FKeyBeginIdx < 0)
            return {};
        return { FKeyList.Data() + FKeyBeginIdx, size_t(FKeyEndIdx - FKeyBeginIdx) };
    }
    // nullptr when out of range.
    TrsSectionItem* GetSectionItem(int Index);
    const TrsSectionItem* GetSectionItem(int Index) const;
    // Names from the top-level ancestor down, joined by "\"; "" for -1.
    QString GetSectionPath(int Index) const;
    // 1 for a top-level section; 0 for -1.
    int GetSectionLevel(int Index) const;
    // The position of the section with that Id, trying Hint first and then
    // the positions before Before (-1: all); -1 when there is none.
    int IndexOfSectionId(int Id, int Hint = -1, int Before = -1) const;
    int KeyItemCount() const { return FKeyList.Count(); }
    int SectionItemCount() const { return FSectionList.Count(); }
    int KeyCapacity() const { return FKeyList.Capacity(); }
    int SectionCapacity() const { return FSectionList.Capacity(); }
    // Position of the current section; -1 = the top level.
    int CurrentSectionIdx() const { return FSectionIdx; }

    // Resolves a section path; -1 for the top level and for a path that does
    // not resolve.
    int FindSection(const QString& Section, bool Create);
    // Resolves a key path; the key's position or -1. On success KeyWrapper
    // points at the key.
    int FindKey(const QString& Key, bool Create);
    // Finds the key of the bare name NAME in the current section, also the
    // empty name and names holding separators, which no key path can reach.
    // As FindKey otherwise: a new key is announced under its own name.
    int FindKeyByName(const QString& Name, bool Create);

protected:
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

    // A key was inserted / is about to be removed: points KeyWrapper at it,
    // fires the event and notifies the clients.
    void DoKeyAdd(int Index);
    void DoKeyDeletion(int Index);

private:
    enum { psNormal = 0, psTopLevel = 1, psCurrent = 2 };

    // Path resolution. Found tells the top level (-1, true) from a failure.
    int FindSectionEx(QStringView Section, bool Create, bool& Found);
    int FindChildSection(int ParentIdx, QStringView Name, bool Create);
    void ChildRange(int ParentId, int& BeginIdx, int& EndIdx) const;
    void KeyRunOf(int SectionId, int& BeginIdx, int& EndIdx) const;
    int SearchKey(int BeginIdx, int EndIdx, int SectionId, QStringView Name, bool& Found) const;
    int FindKeyInSection(int SectionIdx, QStringView Name, const QString* WholeName, bool Create);
    int SectionIdOf(int SectionIdx) const;

    // Record insertion and removal; they keep the current section, its
    // ranges and the wrappers exact.
    int InsertSection(int Index, const QString& Name, int ParentId);
    int InsertKey(int Index, const QString& Name, int SectionId);
    void ShiftKeyRangeForInsert(int Index, int SectionId);
    void RemoveSections(int Index, int Count);
    void RemoveKeys(int Index, int Count);
    void UpdateRanges();
    // Deletes the content of a section (-1 = the top level), and the section
    // itself when DeleteSelf.
    void DeleteSectionContent(int SectionIdx, bool DeleteSelf);
    bool IsInside(int SectionIdx, int AncestorIdx) const;
    void RecomputeMaxId();
    void ResetWhenSectionsEmpty();
    void EmptyTree(bool KeepRoom);
    void InvalidateCaches();
    // Inserts a key of that name into the current section at its sorted
    // place without looking for an existing one (the section stream reader
    // relies on this); DoKeyAdd runs. Returns its position.
    int KeyInsertSorted(const QString& Name);

    void Notify(TrsClientNotification Value, const QString* Text);
    void EncryptData();
    void DecryptData();
    void FireEvent(const TNotifyEvent& Event);
    // Resolves a key for writing (nullptr when the path does not resolve);
    // KeyWrapper points at it.
    TrsKeyWrapper* WriteKey(const QString& Key);
    // Resolves a key for reading; nullptr when absent.
    TrsKeyWrapper* ReadKey(const QString& Key);

    bool FActive = false;
    QString FCacheSectionName;
    int FCacheSectionIdx = -1;
    int FCacheSectionId = 0;
    // The current section's Id when a relative section part was cached, so
    // that a cached relative path never resolves against another section.
    int FCacheSectionBaseId = 0;
    int FCacheKeyIdx = -1;
    int FCacheKeySectionId = 0;
    TrsItemArray<TrsKeyItem> FKeyList;
    int FKeyBeginIdx = -1;
    int FKeyEndIdx = -1;
    mutable int FKeyRunHint = 0; // where KeyRunOf looks first
    int FKeyIndex = -1;
    int FKeyIterationsBegin = -1;
    int FKeyIterationsEnd = -1;
    bool FLazyActive = false;
    TNotifyEvent FOnAfterLoad;
    TNotifyEvent FOnAfterSave;
    TNotifyEvent FOnBeforeLoad;
    TNotifyEvent FOnBeforeSave;
    TrsStorageOptions FOptions { soSaveOnClose };
    QString FRootSection;
    TrsStorageData* FStorageData = nullptr;
    int FPreferStartSection = psNormal;
    TrsItemArray<TrsSectionItem> FSectionList;
    int FSectionMaxId = 0;
    int FSectionIdx = -1;
    int FSectionChildBeginIdx = -1;
    int FSectionChildEndIdx = -1;
    std::unique_ptr<TrsSectionWrapper> FSectionWrapper;
    int FSectionIndex = -1;
    std::unique_ptr<TrsKeyWrapper> FKeyWrapper;
    TrsStorageKeyEvent FOnKeyDeletion;
    std::unique_ptr<TrsClientList> FClientList;
    TrsStorageKeyEvent FOnKeyAdd;
    TrsEncryptor* FEncryptor = nullptr;
    QRecursiveMutex FLock;
    TrsStorageStates FCurrentStates;
};
