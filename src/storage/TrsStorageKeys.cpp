// TrsStorage: key operations, typed reads and typed writes.
#include "storage/TrsStorage.h"

#include "storage/TrsException.h"

TrsKeyWrapper* TrsStorage::ReadKey(const QString& Key)
{
    return FindKey(Key, false) >= 0 ? FKeyWrapper.get() : nullptr;
}

TrsKeyWrapper* TrsStorage::WriteKey(const QString& Key)
{
    return FindKey(Key, true) >= 0 ? FKeyWrapper.get() : nullptr;
}

bool TrsStorage::KeyExist(const QString& Key)
{
    return FindKey(Key, false) >= 0;
}

void TrsStorage::KeyDelete(const QString& Key)
{
    int index = FindKey(Key, false);
    if (index < 0)
        return;
    DoKeyDeletion(index);
    // A handler of OnKeyDeletion may have changed the array: look again.
    index = FindKey(Key, false);
    if (index >= 0)
        RemoveKeys(index, 1);
}

void TrsStorage::KeyRename(const QString& OldName, const QString& NewName)
{
    const bool oldExisted = FindKey(OldName, false) >= 0;
    const bool newExisted = FindKey(NewName, false) >= 0;
    const int newIdx = FindKey(NewName, true);
    if (newIdx < 0)
        return;
    if (!oldExisted) {
        // Only a key made just now goes again; an existing one keeps its data.
        if (!newExisted) {
            DoKeyDeletion(newIdx);
            RemoveKeys(newIdx, 1);
        }
        return;
    }
    const int oldIdx = FindKey(OldName, false);
    // Both names naming one key (they differ in letter case only, or in the
    // separators used): the key and its value stay as they are.
    if (oldIdx < 0 || oldIdx == newIdx)
        return;
    FKeyList[newIdx].Value = FKeyList[oldIdx].Value;
    DoKeyDeletion(oldIdx);
    RemoveKeys(oldIdx, 1);
}

int TrsStorage::KeyCount() const
{
    return FKeyBeginIdx < 0 ? 0 : FKeyEndIdx - FKeyBeginIdx;
}

void TrsStorage::KeyList(QStringList& Strings) const
{
    Strings.clear();
    for (int i = std::max(FKeyBeginIdx, 0); i < FKeyEndIdx; ++i)
        Strings.append(FKeyList[i].Name);
}

int TrsStorage::KeyFirst()
{
    if (FRootSection.isEmpty()) {
        FKeyIterationsBegin = FKeyList.Count() > 0 ? 0 : -1;
        FKeyIterationsEnd = FKeyList.Count() - 1;
    } else {
        FKeyIterationsBegin = FKeyBeginIdx;
        FKeyIterationsEnd = FKeyBeginIdx < 0 ? -1 : FKeyEndIdx - 1;
    }
    FKeyIndex = FKeyIterationsBegin;
    FKeyWrapper->SetKeyItem(GetKeyItem(FKeyIndex));
    return FKeyIndex;
}

int TrsStorage::KeyNext()
{
    const bool inRange = FKeyIndex >= 0 && FKeyIndex < FKeyIterationsEnd && FKeyIndex + 1 < FKeyList.Count();
    FKeyIndex = inRange ? FKeyIndex + 1 : -1;
    FKeyWrapper->SetKeyItem(GetKeyItem(FKeyIndex));
    return FKeyIndex;
}

int TrsStorage::KeyPrior()
{
    const bool inRange = FKeyIndex > FKeyIterationsBegin && FKeyIndex - 1 < FKeyList.Count();
    FKeyIndex = inRange ? FKeyIndex - 1 : -1;
    FKeyWrapper->SetKeyItem(GetKeyItem(FKeyIndex));
    return FKeyIndex;
}

int TrsStorage::KeyLast()
{
    KeyFirst();
    FKeyIndex = FKeyIterationsBegin < 0 ? -1 : FKeyIterationsEnd;
    FKeyWrapper->SetKeyItem(GetKeyItem(FKeyIndex));
    return FKeyIndex;
}

quint16 TrsStorage::KeyOptions(const QString& Key)
{
    TrsKeyWrapper* key = ReadKey(Key);
    return key ? key->KeyOptions() : 0;
}

void TrsStorage::SetKeyOptions(const QString& Key, quint16 Value)
{
    if (TrsKeyWrapper* key = ReadKey(Key))
        key->SetKeyOptions(Value);
}

int TrsStorage::KeyType(const QString& Key)
{
    TrsKeyWrapper* key = ReadKey(Key);
    return key ? key->KeyType() : -1;
}

void TrsStorage::SetKeyType(const QString& Key, int Value)
{
    if (TrsKeyWrapper* key = ReadKey(Key))
        key->SetKeyType(quint16(Value));
}

QVariant TrsStorage::Values(const QString& Key)
{
    TrsKeyWrapper* key = ReadKey(Key);
    return key ? key->AsVariant() : QVariant();
}

void TrsStorage::SetValues(const QString& Key, const QVariant& Value)
{
    const bool existed = KeyExist(Key);
    TrsKeyWrapper* key = WriteKey(Key);
    if (!key)
        return;
    try {
        key->SetAsVariant(Value);
    } catch (const TrsException&) {
        // A value no key type can hold leaves no empty key behind.
        if (!existed)
            KeyDelete(Key);
        throw;
    }
}

// ---------------------------------------------------------------------------
// Typed reads and writes. A path that cannot be resolved makes a write a
// no-op, as it makes a read return its default.

bool TrsStorage::ReadBoolean(const QString& Key, bool DefValue)
{
    TrsKeyWrapper* key = ReadKey(Key);
    return key ? key->AsBoolean() : DefValue;
}

void TrsStorage::WriteBoolean(const QString& Key, bool Value)
{
    if (TrsKeyWrapper* key = WriteKey(Key))
        key->SetAsBoolean(Value);
}

qint32 TrsStorage::ReadInteger(const QString& Key, qint32 DefValue)
{
    TrsKeyWrapper* key = ReadKey(Key);
    return key ? key->AsInteger() : DefValue;
}

void TrsStorage::WriteInteger(const QString& Key, qint32 Value)
{
    if (TrsKeyWrapper* key = WriteKey(Key))
        key->SetAsInteger(Value);
}

qint64 TrsStorage::ReadInt64(const QString& Key, qint64 DefValue)
{
    TrsKeyWrapper* key = ReadKey(Key);
    return key ? key->AsInt64() : DefValue;
}

void TrsStorage::WriteInt64(const QString& Key, qint64 Value)
{
    if (TrsKeyWrapper* key = WriteKey(Key))
        key->SetAsInt64(Value);
}

double TrsStorage::ReadFloat(const QString& Key, double DefValue)
{
    TrsKeyWrapper* key = ReadKey(Key);
    return key ? key->AsFloat() : DefValue;
}

void TrsStorage::WriteFloat(const QString& Key, double Value)
{
    if (TrsKeyWrapper* key = WriteKey(Key))
        key->SetAsFloat(Value);
}

TCurrency TrsStorage::ReadCurrency(const QString& Key, TCurrency DefValue)
{
    TrsKeyWrapper* key = ReadKey(Key);
    return key ? key->AsCurrency() : DefValue;
}

void TrsStorage::WriteCurrency(const QString& Key, TCurrency Value)
{
    if (TrsKeyWrapper* key = WriteKey(Key))
        key->SetAsCurrency(Value);
}

TDateTime TrsStorage::ReadDateTime(const QString& Key, TDateTime DefValue)
{
    TrsKeyWrapper* key = ReadKey(Key);
    return key ? key->AsDateTime() : DefValue;
}

void TrsStorage::WriteDateTime(const QString& Key, TDateTime Value)
{
    if (TrsKeyWrapper* key = WriteKey(Key))
        key->SetAsDateTime(Value);
}

QString TrsStorage::ReadString(const QString& Key, const QString& DefValue)
{
    TrsKeyWrapper* key = ReadKey(Key);
    return key ? key->AsString() : DefValue;
}

void TrsStorage::WriteString(const QString& Key, const QString& Value)
{
    if (TrsKeyWrapper* key = WriteKey(Key))
        key->SetAsString(Value);
}

QString TrsStorage::ReadText(const QString& Key, const QString& DefValue)
{
    return ReadString(Key, DefValue);
}

void TrsStorage::WriteText(const QString& Key, const QString& Value)
{
    WriteString(Key, Value);
}

QPoint TrsStorage::ReadPoint(const QString& Key)
{
    // An absent key reads as the origin; callers test KeyExist first.
    TrsKeyWrapper* key = ReadKey(Key);
    return key ? key->AsPoint() : QPoint(0, 0);
}

void TrsStorage::WritePoint(const QString& Key, QPoint Value)
{
    if (TrsKeyWrapper* key = WriteKey(Key))
        key->SetAsPoint(Value);
}

quintptr TrsStorage::ReadPointer(const QString& Key, quintptr DefValue)
{
    TrsKeyWrapper* key = ReadKey(Key);
    return key ? key->AsPointer() : DefValue;
}

void TrsStorage::WritePointer(const QString& Key, quint32 Value)
{
    if (TrsKeyWrapper* key = WriteKey(Key))
        key->SetAsPointer(Value);
}

int TrsStorage::ReadBuffer(const QString& Key, void* Buffer, int Count)
{
    TrsKeyWrapper* key = ReadKey(Key);
    return key ? key->GetAsBuffer(Buffer, Count) : 0;
}

void TrsStorage::WriteBuffer(const QString& Key, const void* Buffer, int Count)
{
    if (TrsKeyWrapper* key = WriteKey(Key))
        key->SetAsBuffer(Buffer, Count);
}

int TrsStorage::ReadStream(const QString& Key, QIODevice& Stream)
{
    TrsKeyWrapper* key = ReadKey(Key);
    return key ? key->GetAsStream(Stream) : 0;
}

void TrsStorage::WriteStream(const QString& Key, QIODevice& Stream)
{
    if (TrsKeyWrapper* key = WriteKey(Key))
        key->SetAsStream(Stream);
}

int TrsStorage::ReadArray(const QString& Key, QVariantList& Values)
{
    TrsKeyWrapper* key = ReadKey(Key);
    return key ? key->GetAsArray(Values) : 0;
}

void TrsStorage::WriteArray(const QString& Key, const QVariantList& Values)
{
    if (TrsKeyWrapper* key = WriteKey(Key))
        key->SetAsArray(Values);
}

QObject* TrsStorage::ReadComponent(const QString& Key, QObject* Instance)
{
    TrsKeyWrapper* key = ReadKey(Key);
    return key ? key->SetComponentProps(Instance) : nullptr;
}

void TrsStorage::WriteComponent(const QString& Key, const QObject* Instance)
{
    if (!Instance)
        return;
    if (TrsKeyWrapper* key = WriteKey(Key))
        key->GetComponentProps(Instance);
}

bool TrsStorage::ReadPersistent(const QString& Key, QObject* Instance)
{
    TrsKeyWrapper* key = ReadKey(Key);
    return key && key->SetPersistentProps(Instance);
}

void TrsStorage::WritePersistent(const QString& Key, const QObject* Instance)
{
    if (!Instance)
        return;
    if (TrsKeyWrapper* key = WriteKey(Key))
        key->GetPersistentProps(Instance);
}
