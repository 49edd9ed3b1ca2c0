#include "backends/TrsRegData.h"

#include "framework/AnsiCodePage.h"
#include "framework/TextCompare.h"
#include "platform/RegText.h"
#include "storage/TrsException.h"
#include "storage/TrsStorage.h"

#include <QPoint>
#include <QtEndian>
#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace {

constexpr std::array<HKEY, 7> RootHandles = { HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE,
    HKEY_USERS, HKEY_PERFORMANCE_DATA, HKEY_CURRENT_CONFIG, HKEY_DYN_DATA };

constexpr REGSAM SaveAccess = KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE;

// The enumeration buffers hold at least this many characters; longer names
// get a buffer as long as the key's longest name, so no name ends a list.
constexpr DWORD ValueNameBuffer = 520;
constexpr DWORD KeyNameBuffer = 260;
constexpr qsizetype MaxKeyNameLength = 255;

// The typed binary value: a 10-byte REG_BINARY of the key type (2 bytes) and
// the 8 value bytes, little-endian. Reader and writer are the two functions
// below.
constexpr qsizetype TypedBinarySize = 10;

bool IsTypedBinaryType(quint16 type)
{
    return type == ktFloat || type == ktCurrency || type == ktDateTime || type == ktPoint || type == ktInt64;
}

QByteArray TypedBinary(const TrsKeyValue& value)
{
    QByteArray data(TypedBinarySize, '\0');
    qToLittleEndian<quint16>(value.kvType, data.data());
    std::memcpy(data.data() + 2, value.Data.data(), value.Data.size());
    return data;
}

// The key type of a typed binary value, or ktBuffer for any other bytes.
quint16 TypedBinaryType(const QByteArray& data)
{
    if (data.size() != TypedBinarySize)
        return ktBuffer;
    const quint16 type = qFromLittleEndian<quint16>(data.constData());
    return IsTypedBinaryType(type) ? type : quint16(ktBuffer);
}

double TypedBinaryDouble(const QByteArray& data)
{
    const quint64 bits = qFromLittleEndian<quint64>(data.constData() + 2);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// The first 32 bits of DWORD data, zero-extended when it is shorter.
qint32 DwordOf(const QByteArray& data)
{
    quint8 bytes[4] = {};
    std::memcpy(bytes, data.constData(), size_t(std::min<qsizetype>(data.size(), 4)));
    return qFromLittleEndian<qint32>(bytes);
}

bool HasSeparator(const QString& name)
{
    return name.contains(u'\\') || name.contains(u'/');
}

} // namespace

TrsRegData::TrsRegData(TComponent* AOwner)
    : TrsStorageData(AOwner)
{
}

void TrsRegData::SetRootPath(const QString& Value)
{
    qsizetype begin = 0;
    qsizetype end = Value.size();
    while (begin < end && (Value[begin] == u'\\' || Value[begin] == u'/'))
        ++begin;
    while (end > begin && (Value[end - 1] == u'\\' || Value[end - 1] == u'/'))
        --end;
    FRootPath = Value.mid(begin, end - begin);
}

HKEY TrsRegData::RootKeyHandle(TrsRegRootKey Key)
{
    return RootHandles[size_t(Key)];
}

void TrsRegData::RootKeyAssign(HKEY Key)
{
    const auto it = std::find(RootHandles.begin(), RootHandles.end(), Key);
    if (it != RootHandles.end())
        FRootKey = TrsRegRootKey(it - RootHandles.begin());
}

void TrsRegData::RaiseRegError(const char* Text, LONG Code) const
{
    RaiseStorageError(ekRegData,
        QString::fromLatin1(Text) + QString::number(Code) + QStringLiteral(") ")
            + SysErrorMessage(DWORD(Code)));
}

HKEY TrsRegData::OpenRootKey()
{
    if (FRemoteComputerName.isEmpty())
        return RootKeyHandle(FRootKey);
    if (FRootKey != rkLocalMachine && FRootKey != rkUsers)
        return 0;
    QString name = FRemoteComputerName;
    if (!name.startsWith(u'\\'))
        name.prepend(QStringLiteral("\\\\"));
    HKEY result = 0;
    if (FRegistryApi->RegConnectRegistryW(
            reinterpret_cast<const char16_t*>(name.utf16()), RootKeyHandle(FRootKey), &result)
        != ERROR_SUCCESS)
        return 0;
    return result;
}

void TrsRegData::CloseRootKey(HKEY Root)
{
    if (!FRemoteComputerName.isEmpty() && Root != 0)
        CloseKey(Root);
}

// --- The registry functions of the current mode ---------------------------

namespace {

const char16_t* W(const QString& text)
{
    return reinterpret_cast<const char16_t*>(text.utf16());
}

} // namespace

LONG TrsRegData::OpenKey(HKEY Key, const QString& SubKey, REGSAM Access, HKEY& Result)
{
    if (Wide())
        return FRegistryApi->RegOpenKeyExW(Key, W(SubKey), 0, Access, &Result);
    return FRegistryApi->RegOpenKeyExA(Key, AnsiEncode(SubKey).constData(), 0, Access, &Result);
}

LONG TrsRegData::CreateKey(HKEY Key, const QString& SubKey, HKEY& Result)
{
    if (Wide())
        return FRegistryApi->RegCreateKeyExW(
            Key, W(SubKey), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &Result, nullptr);
    return FRegistryApi->RegCreateKeyExA(Key, AnsiEncode(SubKey).constData(), 0, nullptr,
        REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &Result, nullptr);
}

LONG TrsRegData::CloseKey(HKEY Key)
{
    return FRegistryApi->RegCloseKey(Key);
}

LONG TrsRegData::QueryInfo(
    HKEY Key, DWORD& SubKeys, DWORD& MaxSubKeyLen, DWORD& Values, DWORD& MaxValueNameLen, DWORD& MaxValueLen)
{
    if (Wide())
        return FRegistryApi->RegQueryInfoKeyW(Key, nullptr, nullptr, nullptr, &SubKeys, &MaxSubKeyLen,
            nullptr, &Values, &MaxValueNameLen, &MaxValueLen, nullptr, nullptr);
    return FRegistryApi->RegQueryInfoKeyA(Key, nullptr, nullptr, nullptr, &SubKeys, &MaxSubKeyLen, nullptr,
        &Values, &MaxValueNameLen, &MaxValueLen, nullptr, nullptr);
}

LONG TrsRegData::EnumKeyName(HKEY Key, DWORD Index, DWORD BufferSize, QString& Name)
{
    DWORD length = BufferSize;
    if (Wide()) {
        std::vector<char16_t> buffer(BufferSize);
        const LONG result = FRegistryApi->RegEnumKeyExW(
            Key, Index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
        Name = result == ERROR_SUCCESS ? QString::fromUtf16(buffer.data(), length) : QString();
        return result;
    }
    std::vector<char> buffer(BufferSize);
    const LONG result
        = FRegistryApi->RegEnumKeyExA(Key, Index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
    Name = result == ERROR_SUCCESS ? AnsiDecode(QByteArrayView(buffer.data(), length)) : QString();
    return result;
}

LONG TrsRegData::EnumValueName(HKEY Key, DWORD Index, DWORD BufferSize, QString& Name)
{
    DWORD length = BufferSize;
    if (Wide()) {
        std::vector<char16_t> buffer(BufferSize);
        const LONG result = FRegistryApi->RegEnumValueW(
            Key, Index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
        Name = result == ERROR_SUCCESS ? QString::fromUtf16(buffer.data(), length) : QString();
        return result;
    }
    std::vector<char> buffer(BufferSize);
    const LONG result
        = FRegistryApi->RegEnumValueA(Key, Index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
    Name = result == ERROR_SUCCESS ? AnsiDecode(QByteArrayView(buffer.data(), length)) : QString();
    return result;
}

LONG TrsRegData::QueryValue(HKEY Key, const QString& Name, DWORD& Type, QByteArray& Data)
{
    // Data holds the key's longest value; the size read back is checked
    // against it before it is trusted.
    DWORD size = DWORD(Data.size());
    auto* buffer = reinterpret_cast<BYTE*>(Data.data());
    const LONG result = Wide()
        ? FRegistryApi->RegQueryValueExW(Key, W(Name), nullptr, &Type, buffer, &size)
        : FRegistryApi->RegQueryValueExA(Key, AnsiEncode(Name).constData(), nullptr, &Type, buffer, &size);
    if (result == ERROR_SUCCESS)
        Data.truncate(std::min<qsizetype>(size, Data.size()));
    return result;
}

LONG TrsRegData::SetValue(HKEY Key, const QString& Name, DWORD Type, const QByteArray& Data)
{
    const auto* data = reinterpret_cast<const BYTE*>(Data.constData());
    if (Wide())
        return FRegistryApi->RegSetValueExW(Key, W(Name), 0, Type, data, DWORD(Data.size()));
    return FRegistryApi->RegSetValueExA(Key, AnsiEncode(Name).constData(), 0, Type, data, DWORD(Data.size()));
}

LONG TrsRegData::DeleteKey(HKEY Key, const QString& SubKey)
{
    if (Wide())
        return FRegistryApi->RegDeleteKeyW(Key, W(SubKey));
    return FRegistryApi->RegDeleteKeyA(Key, AnsiEncode(SubKey).constData());
}

LONG TrsRegData::DeleteValue(HKEY Key, const QString& Name)
{
    if (Wide())
        return FRegistryApi->RegDeleteValueW(Key, W(Name));
    return FRegistryApi->RegDeleteValueA(Key, AnsiEncode(Name).constData());
}

// --- Load ------------------------------------------------------------------

void TrsRegData::DoLoadStorage()
{
    if (!Storage() || FRootPath.isEmpty())
        return;
    const HKEY root = OpenRootKey();
    HKEY key = 0;
    if (OpenKey(root, FRootPath, KEY_READ, key) != ERROR_SUCCESS) {
        CloseRootKey(root);
        return;
    }
    try {
        if (OnProgress())
            ProgressItemCount = CountRegValues(key);
        ReadRegKey(key);
    } catch (...) {
        CloseKey(key);
        CloseRootKey(root);
        throw;
    }
    CloseKey(key);
    CloseRootKey(root);
}

int TrsRegData::CountRegValues(HKEY Key)
{
    DWORD subKeys = 0, maxSubKeyLen = 0, values = 0, maxNameLen = 0, maxDataLen = 0;
    if (QueryInfo(Key, subKeys, maxSubKeyLen, values, maxNameLen, maxDataLen) != ERROR_SUCCESS)
        return 0;
    int count = int(values);
    for (DWORD i = 0; i < subKeys; ++i) {
        QString name;
        HKEY sub = 0;
        if (EnumKeyName(Key, i, std::max(KeyNameBuffer, maxSubKeyLen + 1), name) != ERROR_SUCCESS
            || OpenKey(Key, name, KEY_READ, sub) != ERROR_SUCCESS)
            continue;
        count += CountRegValues(sub);
        CloseKey(sub);
    }
    return count;
}

void TrsRegData::ReadRegKey(HKEY Key)
{
    DWORD subKeys = 0, maxSubKeyLen = 0, values = 0, maxNameLen = 0, maxDataLen = 0;
    if (QueryInfo(Key, subKeys, maxSubKeyLen, values, maxNameLen, maxDataLen) != ERROR_SUCCESS)
        return;
    for (DWORD i = values; i-- > 0;) {
        QString name;
        DWORD type = REG_NONE;
        QByteArray data(qsizetype(maxDataLen), '\0');
        if (EnumValueName(Key, i, std::max(ValueNameBuffer, maxNameLen + 1), name) != ERROR_SUCCESS
            || QueryValue(Key, name, type, data) != ERROR_SUCCESS)
            break;
        ReadValue(name, type, data);
        ++ProgressItemCurrent;
        DoProgress();
    }
    TrsStorage& storage = *Storage();
    for (DWORD i = subKeys; i-- > 0;) {
        QString name;
        if (EnumKeyName(Key, i, std::max(KeyNameBuffer, maxSubKeyLen + 1), name) != ERROR_SUCCESS)
            break;
        storage.SectionAdd(name);
        HKEY sub = 0;
        if (const LONG result = OpenKey(Key, name, KEY_READ, sub); result != ERROR_SUCCESS) {
            if (Wide())
                RaiseRegError("Open key. (", result);
            continue; // the 8-bit form skips it; its section stays, empty
        }
        const QString here = storage.RootSection();
        try {
            if (storage.ChangeDownRootSection(name)) {
                ReadRegKey(sub);
                // A name with "/" went down more than one level.
                if (HasSeparator(name))
                    storage.SetRootSection(here);
                else
                    storage.ChangeUpRootSection();
            }
        } catch (...) {
            CloseKey(sub);
            throw;
        }
        CloseKey(sub);
    }
}

void TrsRegData::ReadValue(const QString& Name, DWORD Type, const QByteArray& Data)
{
    if (Type != REG_SZ && Type != REG_EXPAND_SZ && Type != REG_DWORD && Type != REG_BINARY)
        return;
    // A value's name is a bare key name, also when it is empty (the default
    // value) or holds "\" or "/", which a key path would take apart.
    TrsStorage& storage = *Storage();
    if (storage.FindKeyByName(Name, true) >= 0)
        WriteKeyValue(storage.KeyWrapper(), Type, Data);
}

void TrsRegData::WriteKeyValue(TrsKeyWrapper& Key, DWORD Type, const QByteArray& Data)
{
    if (Type == REG_SZ || Type == REG_EXPAND_SZ) {
        QString text = Wide() ? RegBytesText(Data) : AnsiDecode(Data);
        if (const qsizetype zero = text.indexOf(QChar(0)); zero >= 0)
            text.truncate(zero);
        Key.SetAsString(text);
        return;
    }
    if (Type == REG_DWORD) {
        Key.SetAsInteger(DwordOf(Data));
        return;
    }
    const char* bytes = Data.constData() + 2;
    switch (TypedBinaryType(Data)) {
    case ktFloat:
        Key.SetAsFloat(TypedBinaryDouble(Data));
        break;
    case ktCurrency:
        Key.SetAsFloat(double(qFromLittleEndian<qint64>(bytes)) / 10000.0);
        break;
    case ktDateTime:
        Key.SetAsDateTime(TDateTime { TypedBinaryDouble(Data) });
        break;
    case ktPoint:
        Key.SetAsPoint(QPoint(qFromLittleEndian<qint32>(bytes), qFromLittleEndian<qint32>(bytes + 4)));
        break;
    case ktInt64:
        Key.SetAsInt64(qFromLittleEndian<qint64>(bytes));
        break;
    default:
        Key.SetAsBuffer(Data.constData(), int(Data.size()));
        break;
    }
}

// --- Save ------------------------------------------------------------------

void TrsRegData::DoSaveStorage()
{
    if (!Storage() || FRootPath.isEmpty())
        return;
    CheckSectionNames();
    const HKEY root = OpenRootKey();
    HKEY key = 0;
    if (OpenKey(root, FRootPath, SaveAccess, key) == ERROR_SUCCESS) {
        ClearRegKey(key);
    } else if (const LONG result = CreateKey(root, FRootPath, key); result != ERROR_SUCCESS) {
        CloseRootKey(root);
        RaiseRegError("Open/Create key. (", result);
    }
    try {
        ProgressItemCount = Storage()->KeyItemCount();
        DoProgress();
        WriteRegKey(key);
    } catch (...) {
        CloseKey(key);
        CloseRootKey(root);
        throw;
    }
    // Closing the last key writes the registry file: a failure there means
    // nothing was saved, and is reported as such.
    const LONG closed = CloseKey(key);
    CloseRootKey(root);
    if (closed != ERROR_SUCCESS)
        RaiseRegError("Close key. (", closed);
}

// The save empties the root key before it writes the tree: a section the
// registry would refuse as a key name is reported before anything is deleted,
// with the error its creation would give.
void TrsRegData::CheckSectionNames()
{
    TrsStorage& storage = *Storage();
    for (int i = 0; i < storage.SectionItemCount(); ++i) {
        const QString& name = storage.GetSectionItem(i)->Name;
        const qsizetype length = Wide() ? name.size() : AnsiEncode(name).size();
        if (length > MaxKeyNameLength || name.contains(u'\\'))
            RaiseRegError("Create key. (", ERROR_INVALID_PARAMETER);
    }
}

void TrsRegData::ClearRegKey(HKEY Key)
{
    DeleteSubKeys(Key);
    DWORD subKeys = 0, maxSubKeyLen = 0, values = 0, maxNameLen = 0, maxDataLen = 0;
    if (QueryInfo(Key, subKeys, maxSubKeyLen, values, maxNameLen, maxDataLen) != ERROR_SUCCESS)
        return;
    for (DWORD i = values; i-- > 0;) {
        QString name;
        if (EnumValueName(Key, i, std::max(ValueNameBuffer, maxNameLen + 1), name) == ERROR_SUCCESS)
            DeleteValue(Key, name);
    }
}

void TrsRegData::DeleteSubKeys(HKEY Key)
{
    DWORD subKeys = 0, maxSubKeyLen = 0, values = 0, maxNameLen = 0, maxDataLen = 0;
    if (QueryInfo(Key, subKeys, maxSubKeyLen, values, maxNameLen, maxDataLen) != ERROR_SUCCESS)
        return;
    for (DWORD i = subKeys; i-- > 0;) {
        QString name;
        if (EnumKeyName(Key, i, std::max(KeyNameBuffer, maxSubKeyLen + 1), name) != ERROR_SUCCESS)
            continue;
        HKEY sub = 0;
        if (OpenKey(Key, name, KEY_READ, sub) == ERROR_SUCCESS) {
            DeleteSubKeys(sub);
            CloseKey(sub);
        }
        DeleteKey(Key, name);
    }
}

void TrsRegData::WriteRegKey(HKEY Key)
{
    TrsStorage& storage = *Storage();
    int begin = 0, end = 0;
    if (storage.GetKeyRange(begin, end)) {
        for (int i = begin; i < end; ++i) {
            WriteRegValue(Key, *storage.GetKeyItem(i));
            ++ProgressItemCurrent;
            DoProgress();
        }
    }
    if (!storage.GetSectionRange(begin, end))
        return;
    for (int i = begin; i < end; ++i) {
        const QString name = storage.GetSectionItem(i)->Name;
        if (!storage.ChangeDownRootSection(name))
            continue;
        if (storage.KeyCount() > 0 || storage.SectionCount() > 0
            || storage.Options().Contains(soSaveEmptySection)) {
            HKEY sub = 0;
            if (const LONG result = CreateKey(Key, name, sub); result != ERROR_SUCCESS)
                RaiseRegError("Create key. (", result);
            try {
                WriteRegKey(sub);
            } catch (...) {
                CloseKey(sub);
                throw;
            }
            CloseKey(sub);
        }
        storage.ChangeUpRootSection();
    }
}

void TrsRegData::WriteRegValue(HKEY Key, const TrsKeyItem& Item)
{
    const TrsKeyValue& value = Item.Value;
    switch (value.kvType) {
    case ktString: {
        QByteArray text = Wide() ? RegStringBytes(value.VString, true) : AnsiEncode(value.VString);
        if (!Wide())
            text.append('\0');
        SetValue(Key, Item.Name, REG_SZ, text);
        break;
    }
    case ktBuffer:
        SetValue(Key, Item.Name, REG_BINARY, value.VBuffer);
        break;
    case ktInteger:
    case ktBoolean:
    case ktPointer:
        SetValue(Key, Item.Name, REG_DWORD, QByteArray(reinterpret_cast<const char*>(value.Data.data()), 4));
        break;
    default:
        if (IsTypedBinaryType(value.kvType))
            SetValue(Key, Item.Name, REG_BINARY, TypedBinary(value));
        break;
    }
}
