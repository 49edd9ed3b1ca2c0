// TrsStorage: the section stream (the binary dump of a section and everything
// below it) and the composite operations built on the tree and the key
// wrapper: SectionRename, SaveChanges, WriteStrings and ReadStrings.
#include "storage/TrsStorage.h"

#include "framework/TextCompare.h"
#include "storage/StorageUtils.h"
#include "storage/TrsException.h"
#include "storage/TrsStorageData.h"

#include <QBuffer>
#include <QtEndian>
#include <limits>
#include <memory>

namespace {

// A name is written with a one-byte character count.
constexpr int MaxStreamNameLength = 255;

// Reads are made in pieces of this size, so a damaged count never makes us
// allocate more than the stream really holds.
constexpr qint64 ReadPieceSize = 1 << 20;

// ---------------------------------------------------------------------------
// Byte layout of the section stream, writer and reader side by side. A block
// is: subsection count (4), key count (4), per subsection its name and its
// block, per key its name, type (2) and payload. Integers are little-endian;
// a name is a character count (1) and UTF-16LE characters.

// Payload width of the fixed-size key types; -1 for texts and buffers.
int FixedPayloadSize(quint16 type)
{
    switch (type) {
    case ktString:
    case ktBuffer:
        return -1;
    case ktInteger:
    case ktBoolean:
    case ktPointer:
        return 4;
    case ktFloat:
    case ktCurrency:
    case ktDateTime:
    case ktPoint:
    case ktInt64:
        return 8;
    default:
        return 0; // ktNone and unknown types carry no payload
    }
}

// Collects a section stream in memory, so a refused name leaves the target
// stream untouched.
class TSectionStreamWriter {
public:
    void WriteCounts(int subsections, int keys)
    {
        WriteInt32(subsections);
        WriteInt32(keys);
    }
    // The caller has checked the length against MaxStreamNameLength.
    void WriteName(const QString& name)
    {
        FBytes.append(static_cast<char>(name.size()));
        WriteUtf16(name);
    }
    void WriteKey(const TrsKeyItem& key)
    {
        WriteName(key.Name);
        char type[2];
        qToLittleEndian(key.Value.kvType, type);
        FBytes.append(type, 2);
        if (key.Value.kvType == ktString) {
            WriteInt32(qint32(key.Value.VString.size() * 2));
            WriteUtf16(key.Value.VString);
        } else if (key.Value.kvType == ktBuffer) {
            WriteInt32(qint32(key.Value.VBuffer.size()));
            FBytes.append(key.Value.VBuffer);
        } else {
            FBytes.append(
                reinterpret_cast<const char*>(key.Value.Data.data()), FixedPayloadSize(key.Value.kvType));
        }
    }
    const QByteArray& Bytes() const { return FBytes; }

private:
    void WriteInt32(qint32 value)
    {
        char bytes[4];
        qToLittleEndian(value, bytes);
        FBytes.append(bytes, 4);
    }
    void WriteUtf16(const QString& text)
    {
        const qsizetype at = FBytes.size();
        FBytes.resize(at + text.size() * 2);
        qToLittleEndian<char16_t>(text.utf16(), text.size(), FBytes.data() + at);
    }

    QByteArray FBytes;
};

// Reads the parts of a section stream. Every operation returns false when
// the stream ends early or holds a value no writer produces.
class TSectionStreamReader {
public:
    explicit TSectionStreamReader(QIODevice& stream)
        : FStream(stream)
    {
    }

    bool ReadCounts(qint32& subsections, qint32& keys)
    {
        return ReadInt32(subsections) && ReadInt32(keys) && subsections >= 0 && keys >= 0;
    }
    bool ReadName(QString& name)
    {
        quint8 length;
        return ReadExact(&length, 1) && ReadUtf16(length * 2, name);
    }
    // The type and payload of a key; the options stay 0.
    bool ReadKeyValue(TrsKeyValue& value)
    {
        quint8 type[2];
        if (!ReadExact(type, 2))
            return false;
        value.kvType = qFromLittleEndian<quint16>(type);
        if (value.kvType == ktString || value.kvType == ktBuffer) {
            qint32 count;
            if (!ReadInt32(count) || count < 0)
                return false;
            if (value.kvType == ktString)
                return count % 2 == 0 && ReadUtf16(count, value.VString);
            return ReadBytes(count, value.VBuffer);
        }
        return ReadExact(value.Data.data(), FixedPayloadSize(value.kvType));
    }

private:
    bool ReadExact(void* data, qint64 size)
    {
        return size == 0 || FStream.read(static_cast<char*>(data), size) == size;
    }
    bool ReadInt32(qint32& value)
    {
        quint8 bytes[4];
        if (!ReadExact(bytes, 4))
            return false;
        value = qFromLittleEndian<qint32>(bytes);
        return true;
    }
    bool ReadBytes(qint64 count, QByteArray& bytes)
    {
        bytes.clear();
        // A device that knows its size refuses a count beyond it at once.
        if (!FStream.isSequential() && count > FStream.bytesAvailable())
            return false;
        while (bytes.size() < count) {
            const qint64 piece = std::min(count - bytes.size(), ReadPieceSize);
            const qsizetype at = bytes.size();
            bytes.resize(at + piece);
            if (!ReadExact(bytes.data() + at, piece))
                return false;
        }
        return true;
    }
    bool ReadUtf16(qint64 byteCount, QString& text)
    {
        QByteArray bytes;
        if (!ReadBytes(byteCount, bytes))
            return false;
        text.resize(bytes.size() / 2);
        qFromLittleEndian<char16_t>(bytes.constData(), text.size(), text.data());
        return true;
    }

    QIODevice& FStream;
};

// ---------------------------------------------------------------------------

[[noreturn]] void RaiseLoadError(const QString& section)
{
    RaiseStorageError(ekGeneral, QStringLiteral("Can't load section \"%1\" from stream.").arg(section));
}

// PATH gives the full path for the message; it is built only when needed,
// since a save checks every name.
template <typename TPath> void CheckStreamName(const QString& name, const char* kind, const TPath& path)
{
    if (name.size() > MaxStreamNameLength)
        RaiseStorageError(ekGeneral,
            QStringLiteral("Can't save %1 \"%2\" to stream: names may have at most %3 characters.")
                .arg(QLatin1String(kind), path())
                .arg(MaxStreamNameLength));
}

// A subsection name read from a stream must be one path component.
bool IsSectionName(const QString& name)
{
    if (name.isEmpty())
        return false;
    for (const QChar c : name) {
        if (IsPathDelimiter(c))
            return false;
    }
    return true;
}

// Turns the client list's notifications off until it leaves scope, also
// when an exception passes.
class TClientsSilenced {
public:
    explicit TClientsSilenced(TrsClientList& list)
        : FList(list)
        , FWasActive(list.Active())
    {
        FList.SetActive(false);
    }
    ~TClientsSilenced() { FList.SetActive(FWasActive); }
    TClientsSilenced(const TClientsSilenced&) = delete;
    TClientsSilenced& operator=(const TClientsSilenced&) = delete;

private:
    TrsClientList& FList;
    bool FWasActive;
};

struct TComponentFree {
    void operator()(TComponent* component) const { component->Free(); }
};

// The components of a section path, absolute, by the resolution rules of
// FindSection; false when the path cannot name a section.
bool AbsolutePathParts(const QString& path, const QString& currentPath, QStringList& parts)
{
    parts.clear();
    qsizetype pos = 0;
    if (!path.isEmpty() && IsPathDelimiter(path[0]))
        pos = 1;
    else if (!currentPath.isEmpty())
        parts = currentPath.split(u'\\');
    while (pos < path.size() && IsPathDelimiter(path[pos]))
        ++pos;
    while (pos < path.size()) {
        const QStringView name = NextPathPart(path, pos);
        if (name.isEmpty())
            return false;
        parts.append(name.toString());
        if (pos < path.size())
            ++pos;
    }
    return !path.isEmpty();
}

// Whether PARTS starts with all of PREFIX, names compared as the tree does.
bool StartsWithParts(const QStringList& parts, const QStringList& prefix)
{
    if (parts.size() < prefix.size())
        return false;
    for (qsizetype i = 0; i < prefix.size(); ++i) {
        if (!SameText(parts[i], prefix[i]))
            return false;
    }
    return true;
}

// Bit of a key's options that marks the keys SaveChanges writes.
constexpr quint16 SavedChangeMark = 128;

// Removes a state when it leaves scope, also when an exception passes.
class TStateIncluded {
public:
    TStateIncluded(TrsStorageStates& states, TrsStorageState state)
        : FStates(states)
        , FState(state)
    {
        FStates.Include(FState);
    }
    ~TStateIncluded() { FStates.Exclude(FState); }
    TStateIncluded(const TStateIncluded&) = delete;
    TStateIncluded& operator=(const TStateIncluded&) = delete;

private:
    TrsStorageStates& FStates;
    TrsStorageState FState;
};

// Splits the key path of a string list into the position of its section
// (-1 = the top level) and its base name, resolving the section part as
// FindKey does. False when the section part does not resolve.
bool ResolveListKey(TrsStorage& storage, const QString& key, bool create, int& sectionIdx, QString& baseName)
{
    qsizetype split = key.size() - 1;
    while (split >= 0 && !IsPathDelimiter(key[split]))
        --split;
    baseName = key.mid(split + 1);
    sectionIdx = storage.CurrentSectionIdx();
    if (split < 0)
        return true;
    const QString sectionPart = key.left(split);
    bool onlySeparators = true;
    for (const QChar c : sectionPart)
        onlySeparators = onlySeparators && IsPathDelimiter(c);
    if (split == 0 || onlySeparators) {
        sectionIdx = -1;
        return true;
    }
    sectionIdx = storage.FindSection(sectionPart, create);
    return sectionIdx >= 0;
}

// The key name of line J of a string list.
QString ListItemName(const QString& baseName, qsizetype j)
{
    return baseName + QStringLiteral(".Item") + QString::number(j);
}

bool SameAsciiText(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a[i].unicode();
        char16_t y = b[i].unicode();
        if (x >= u'a' && x <= u'z')
            x -= 32;
        if (y >= u'a' && y <= u'z')
            y -= 32;
        if (x != y)
            return false;
    }
    return true;
}

// Whether a key of a string list with that base name goes before a list of
// LINECOUNT lines is written: the base key itself, and every item numbered
// LINECOUNT or above (an item without digits counts as number 0).
bool IsStaleListKey(QStringView name, QStringView baseName, qsizetype lineCount)
{
    if (SameAsciiText(name, baseName))
        return true;
    const qsizetype prefixSize = baseName.size() + 5;
    if (name.size() < prefixSize
        || !SameText(name.left(prefixSize), baseName.toString() + QStringLiteral(".Item")))
        return false;
    qint64 number = 0;
    for (const QChar c : name.sliced(prefixSize)) {
        if (c < u'0' || c > u'9')
            return false;
        // Numbers too long to count are beyond any list.
        number = std::min<qint64>(number * 10 + (c.unicode() - u'0'), std::numeric_limits<qint32>::max());
    }
    return number >= lineCount;
}

} // namespace

// ---------------------------------------------------------------------------
// Section stream

void TrsStorage::SectionSaveToStream(const QString& Section, QIODevice& Stream)
{
    bool found = true;
    const int start = Section.isEmpty() ? -1 : FindSectionEx(Section, false, found);
    if (!found)
        return;
    TSectionStreamWriter writer;
    // Depth-first without recursion, so a deep tree cannot exhaust the stack.
    struct TFrame {
        int SectionIdx;
        int NextChild;
        int EndChild;
    };
    std::vector<TFrame> stack;
    const auto openSection = [&](int sectionIdx) {
        const int id = SectionIdOf(sectionIdx);
        int childBegin, childEnd, keyBegin, keyEnd;
        ChildRange(id, childBegin, childEnd);
        KeyRunOf(id, keyBegin, keyEnd);
        writer.WriteCounts(childEnd - childBegin, keyEnd - keyBegin);
        stack.push_back({ sectionIdx, childBegin, childEnd });
    };
    const auto writeKeys = [&](int sectionIdx) {
        int keyBegin, keyEnd;
        KeyRunOf(SectionIdOf(sectionIdx), keyBegin, keyEnd);
        for (int i = keyBegin; i < keyEnd; ++i) {
            const TrsKeyItem& key = FKeyList[i];
            CheckStreamName(
                key.Name, "key", [&] { return u'\\' + GetSectionPath(sectionIdx) + u'\\' + key.Name; });
            if (key.Value.VString.size() > std::numeric_limits<qint32>::max() / 2
                || key.Value.VBuffer.size() > std::numeric_limits<qint32>::max())
                RaiseStorageError(ekGeneral,
                    QStringLiteral("Can't save key \"%1\" to stream: its value is too large.")
                        .arg(u'\\' + GetSectionPath(sectionIdx) + u'\\' + key.Name));
            writer.WriteKey(key);
        }
    };
    openSection(start);
    while (!stack.empty()) {
        TFrame& top = stack.back();
        if (top.NextChild < top.EndChild) {
            const int child = top.NextChild++;
            CheckStreamName(FSectionList[child].Name, "section", [&] { return GetSectionPath(child); });
            writer.WriteName(FSectionList[child].Name);
            openSection(child);
        } else {
            writeKeys(top.SectionIdx);
            stack.pop_back();
        }
    }
    if (Stream.write(writer.Bytes()) != writer.Bytes().size())
        RaiseStorageError(ekGeneral,
            QStringLiteral("Can't save section \"%1\" to stream: %2").arg(Section, Stream.errorString()));
}

void TrsStorage::SectionLoadFromStream(const QString& Section, QIODevice& Stream)
{
    bool found = true;
    const int target = Section.isEmpty() ? -1 : FindSectionEx(Section, true, found);
    if (!found)
        RaiseLoadError(Section);
    const QString savedRoot = FRootSection;
    TSectionStreamReader reader(Stream);
    const auto findInCurrent = [&](const QString& name, bool& exists) {
        const int sectionId = SectionIdOf(FSectionIdx);
        int begin, end;
        KeyRunOf(sectionId, begin, end);
        return SearchKey(begin, end, sectionId, name, exists);
    };
    // A key read from the stream. A valid stream never names a key twice in
    // one section; should a damaged one do so, the later entry replaces the
    // earlier rather than leaving two keys of one name.
    const auto readKey = [&]() {
        QString name;
        if (!reader.ReadName(name))
            return false;
        bool exists;
        int index = findInCurrent(name, exists);
        if (!exists)
            index = KeyInsertSorted(name);
        TrsKeyValue& value = FKeyList[index].Value;
        value.ClearValue();
        value.Options = 0;
        if (reader.ReadKeyValue(value))
            return true;
        // A key whose value was cut would hold a value never stored. A
        // handler of OnKeyDeletion may change the array: look again.
        if (index = findInCurrent(name, exists); exists)
            DoKeyDeletion(index);
        if (index = findInCurrent(name, exists); exists)
            RemoveKeys(index, 1);
        return false;
    };
    // Depth-first without recursion: the counts still to read per level.
    const auto readBlock = [&]() {
        struct TFrame {
            qint32 Subsections;
            qint32 Keys;
        };
        std::vector<TFrame> stack(1);
        if (!reader.ReadCounts(stack[0].Subsections, stack[0].Keys))
            return false;
        while (!stack.empty()) {
            TFrame& top = stack.back();
            if (top.Subsections > 0) {
                --top.Subsections;
                QString name;
                TFrame child;
                if (!reader.ReadName(name) || !IsSectionName(name) || !SectionAdd(name)
                    || !ChangeDownRootSection(name) || !reader.ReadCounts(child.Subsections, child.Keys))
                    return false;
                stack.push_back(child);
            } else if (top.Keys > 0) {
                --top.Keys;
                if (!readKey())
                    return false;
            } else {
                stack.pop_back();
                if (!stack.empty())
                    ChangeUpRootSection();
            }
        }
        return true;
    };
    try {
        SetRootSection(GetSectionPath(target));
        Clear();
        if (!Stream.atEnd() && !readBlock())
            RaiseLoadError(Section);
    } catch (...) {
        SetRootSection(savedRoot);
        throw;
    }
    SetRootSection(savedRoot);
}

// ---------------------------------------------------------------------------
// Composite operations

void TrsStorage::SectionRename(const QString& OldName, const QString& NewName)
{
    TClientsSilenced silenced(*FClientList);
    bool found;
    const int oldIdx = FindSectionEx(OldName, false, found);
    if (!found)
        return;
    // Moving a section onto itself or below itself would delete what was
    // just moved: refuse before anything changes.
    const QString oldPath = GetSectionPath(oldIdx);
    QStringList oldParts, newParts;
    AbsolutePathParts(oldPath.isEmpty() ? QStringLiteral("\\") : u'\\' + oldPath, QString(), oldParts);
    if (!AbsolutePathParts(NewName, GetSectionPath(FSectionIdx), newParts))
        return;
    if (StartsWithParts(newParts, oldParts))
        RaiseStorageError(ekGeneral,
            QStringLiteral("Can't rename section \"%1\" to \"%2\": %3.")
                .arg(OldName, NewName,
                    newParts.size() == oldParts.size()
                        ? QStringLiteral("it is the same section")
                        : QStringLiteral("the new name lies inside the section")));
    QBuffer content;
    content.open(QIODevice::ReadWrite);
    SectionSaveToStream(u'\\' + oldPath, content);
    // The current section moves with the section that holds it.
    const bool currentMoves = IsInside(FSectionIdx, oldIdx);
    const QString currentSuffix = currentMoves ? GetSectionPath(FSectionIdx).mid(oldPath.size()) : QString();
    const int newIdx = FindSectionEx(NewName, true, found);
    if (!found)
        return;
    const QString newPath = GetSectionPath(newIdx);
    // The old section goes first, so a new section above it keeps what it
    // receives.
    SectionDelete(u'\\' + oldPath);
    content.seek(0);
    SectionLoadFromStream(u'\\' + newPath, content);
    if (currentMoves) {
        const QString movedRoot = newPath + currentSuffix;
        SetRootSection(movedRoot.startsWith(u'\\') ? movedRoot.mid(1) : movedRoot);
    }
}

void TrsStorage::SaveChanges(TrsStorageData* DefaultData)
{
    TStateIncluded savingChanges(FCurrentStates, ssSavingChanges);
    const std::unique_ptr<TrsStorage, TComponentFree> defaults(new TrsStorage(Owner()));
    defaults->SetStorageData(DefaultData);
    defaults->Load();
    for (int i = 0; i < FKeyList.Count(); ++i) {
        const TrsKeyValue& value = FKeyList[i].Value;
        FKeyWrapper->SetKeyItem(&FKeyList[i]);
        const QString fullName = FKeyWrapper->FullName();
        TrsKeyWrapper& target = defaults->KeyWrapper();
        if (defaults->FindKey(fullName, false) >= 0) {
            if (target.EqualValue(&value))
                continue;
        } else {
            defaults->SetValues(fullName, QVariant());
        }
        target.AssignValue(&value);
        target.SetKeyOptions(target.KeyOptions() | SavedChangeMark);
    }
    // Keys equal to their defaults, and keys only the defaults hold, stay
    // out of the saved tree.
    for (int i = defaults->KeyItemCount() - 1; i >= 0; --i) {
        if (!(defaults->FKeyList[i].Value.Options & SavedChangeMark)) {
            defaults->DoKeyDeletion(i);
            defaults->RemoveKeys(i, 1);
        }
    }
    defaults->SetStorageData(FStorageData);
    defaults->Save();
}

void TrsStorage::WriteStrings(const QString& Key, const QStringList& Strings)
{
    int sectionIdx;
    QString baseName;
    if (!ResolveListKey(*this, Key, true, sectionIdx, baseName))
        return;
    const QString savedRoot = FRootSection;
    try {
        SetRootSection(GetSectionPath(sectionIdx));
        QStringList stale;
        int begin, end;
        if (GetKeyRange(begin, end)) {
            for (int i = begin; i < end; ++i) {
                if (IsStaleListKey(FKeyList[i].Name, baseName, Strings.size())) {
                    FKeyWrapper->SetKeyItem(&FKeyList[i]);
                    stale.append(FKeyWrapper->FullName());
                }
            }
        }
        for (const QString& fullName : stale)
            KeyDelete(fullName);
        for (qsizetype j = 0; j < Strings.size(); ++j)
            WriteString(ListItemName(baseName, j), Strings[j]);
    } catch (...) {
        SetRootSection(savedRoot);
        throw;
    }
    SetRootSection(savedRoot);
}

bool TrsStorage::ReadStrings(const QString& Key, QStringList& Strings)
{
    Strings.clear();
    int sectionIdx;
    QString baseName;
    if (!ResolveListKey(*this, Key, false, sectionIdx, baseName))
        return false;
    const QString savedRoot = FRootSection;
    try {
        SetRootSection(GetSectionPath(sectionIdx));
        for (qsizetype j = 0; FindKey(ListItemName(baseName, j), false) >= 0; ++j)
            Strings.append(FKeyWrapper->AsString());
    } catch (...) {
        SetRootSection(savedRoot);
        throw;
    }
    SetRootSection(savedRoot);
    return !Strings.isEmpty();
}
