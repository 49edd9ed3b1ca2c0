// The accessor through which every read and write of a key's value passes:
// typed getters with the conversions between key types, typed setters that
// replace the key's type, text forms, buffers, streams and array streams.
// The wrapper never owns the key record it points at. A storage owns one
// wrapper and points it at each key it finds; it clears the pointer whenever
// its key array changes, so a stale record is reported, not touched. The
// wrapper owns its scratch memory stream. Not thread-safe.
#pragma once

#include "framework/VariantTypes.h"
#include "storage/TrsKeyItem.h"
#include "storage/TrsSectionItem.h"

#include <QByteArray>
#include <QPoint>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <memory>

class QBuffer;
class QIODevice;
class QObject;
class TrsStorage;

class TrsKeyWrapper {
public:
    explicit TrsKeyWrapper(TrsStorage* AOwner);
    ~TrsKeyWrapper();

    TrsKeyWrapper(const TrsKeyWrapper&) = delete;
    TrsKeyWrapper& operator=(const TrsKeyWrapper&) = delete;

    // Points the wrapper at a key record (of the storage's array, or a
    // caller's own record); nullptr selects no key. Every operation below
    // except Storage raises "Storage library error: No key is selected."
    // when no key is selected. SectionIdxHint is the position of the key's
    // section in the storage, if the caller knows it.
    void SetKeyItem(TrsKeyItem* AKeyItem, int SectionIdxHint = -1);
    TrsKeyItem* PKeyItem() const { return FKeyItem; }
    TrsStorage* Storage() const { return FStorage; }

    // Releases the key's text or bytes and zeroes the value; the type word
    // stays.
    void Clear();
    // Releases the scratch stream.
    void ReleaseMemStream();

    quint16 KeyType() const;
    // Sets the type word only, without converting the value.
    void SetKeyType(quint16 Value);
    quint16 KeyOptions() const;
    void SetKeyOptions(quint16 Value);

    QString Name() const;
    // "\" + SectionFullName + "\" + Name; resolves back to the same key.
    QString FullName() const;
    QString SectionName() const;
    QString SectionFullName() const;
    int SectionLevel() const;

    void AssignValue(const TrsKeyValue* PKey);
    void AssignValueTo(TrsKeyValue* PKey) const;
    bool EqualValue(const TrsKeyValue* PKey) const;

    // String keys give their UTF-16 bytes, buffer keys their bytes, other
    // types 0. Count <= 0 returns the size without copying.
    int GetAsBuffer(void* Buffer, int Count) const;
    void SetAsBuffer(const void* Buffer, int Count);
    int GetAsStream(QIODevice& Stream) const;
    // Stores the stream's whole content, from position 0, as ktBuffer.
    void SetAsStream(QIODevice& Stream);
    // Reads the array stream of a buffer key into Values (which is replaced)
    // and returns the element count; a key of another type, or empty bytes,
    // gives 0 and leaves Values untouched.
    int GetAsArray(QVariantList& Values) const;
    void SetAsArray(const QVariantList& Values);

    // Published properties (Q_PROPERTY) in a property stream, stored as
    // ktBuffer. The component form also records the class name; reading it
    // into an object of another class raises. Reading raises when the stored
    // bytes are damaged; a key that is no buffer, or empty, reads nothing
    // (false, nullptr).
    void GetComponentProps(const QObject* Instance);
    QObject* SetComponentProps(QObject* Instance);
    bool GetPersistentProps(const QObject* Instance);
    bool SetPersistentProps(QObject* Instance);

    bool AsBoolean() const;
    void SetAsBoolean(bool Value);
    TCurrency AsCurrency() const;
    void SetAsCurrency(TCurrency Value);
    TDateTime AsDateTime() const;
    void SetAsDateTime(TDateTime Value);
    double AsFloat() const;
    void SetAsFloat(double Value);
    qint64 AsInt64() const;
    void SetAsInt64(qint64 Value);
    qint32 AsInteger() const;
    void SetAsInteger(qint32 Value);
    QPoint AsPoint() const;
    void SetAsPoint(QPoint Value);
    // A pointer value is 32 bits in every file; the address of a string or
    // buffer key's data, valid until the key changes, needs the full width.
    quintptr AsPointer() const;
    void SetAsPointer(quint32 Value);
    QString AsString() const;
    void SetAsString(const QString& Value);
    void SetAsString(QString&& Value); // takes the text without a shared copy
    QVariant AsVariant() const;
    void SetAsVariant(const QVariant& Value);

private:
    TrsKeyItem& Item() const;
    const TrsSectionItem* Section() const;
    [[noreturn]] void RaiseReadError(const char* typeWord) const;
    [[noreturn]] void RaiseWriteError(const char* typeWord) const;
    QBuffer& MemStream();

    TrsStorage* FStorage;
    mutable int FCacheSectionIdx = -1;
    std::unique_ptr<QBuffer> FMemStream;
    TrsKeyItem* FKeyItem = nullptr;
};
