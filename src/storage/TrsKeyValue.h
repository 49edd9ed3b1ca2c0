// The value of one key: an options word, a key type word and an 8-byte value
// field, plus the text or bytes a string or buffer key owns. The record owns
// its text and bytes; copying it copies them. The 8-byte field is kept in
// little-endian order, the form files and cipher buffers carry, and is read
// and written only through the typed accessors below. Not thread-safe.
#pragma once

#include <QByteArray>
#include <QString>
#include <QtEndian>
#include <array>
#include <cstring>

// Key types, numbered as every file and stream writes them.
enum TrsKeyType : quint16 {
    ktNone = 0,
    ktString = 1,
    ktBuffer = 2,
    ktInteger = 3,
    ktFloat = 4,
    ktCurrency = 5,
    ktDateTime = 6,
    ktBoolean = 7,
    ktPoint = 8,
    ktInt64 = 9,
    ktPointer = 10
};

constexpr quint16 ktLastKeyType = ktPointer;

struct TrsKeyValue {
    quint16 Options = 0;
    quint16 kvType = ktNone;
    std::array<quint8, 8> Data {}; // the value field, little-endian
    QString VString; // ktString
    QByteArray VBuffer; // ktBuffer

    qint32 VInteger() const { return Get<qint32>(0); }
    double VDouble() const { return GetDouble(); }
    qint64 VCurrency() const { return Get<qint64>(0); }
    double VDateTime() const { return GetDouble(); }
    qint32 VBoolean() const { return Get<qint32>(0); }
    qint32 X() const { return Get<qint32>(0); }
    qint32 Y() const { return Get<qint32>(4); }
    qint64 VInt64() const { return Get<qint64>(0); }
    quint32 VPointer() const { return Get<quint32>(0); }

    void SetVInteger(qint32 v) { Set<qint32>(v); }
    void SetVDouble(double v) { SetDouble(v); }
    void SetVCurrency(qint64 v) { Set<qint64>(v); }
    void SetVDateTime(double v) { SetDouble(v); }
    void SetVBoolean(qint32 v) { Set<qint32>(v); }
    void SetXY(qint32 x, qint32 y)
    {
        Set<qint32>(x);
        qToLittleEndian<qint32>(y, Data.data() + 4);
    }
    void SetVInt64(qint64 v) { Set<qint64>(v); }
    void SetVPointer(quint32 v) { Set<quint32>(v); }

    // Releases the text and bytes and zeroes the value field; the options
    // and the type word stay.
    void ClearValue()
    {
        Data.fill(0);
        VString = QString();
        VBuffer = QByteArray();
    }

private:
    template <typename T> T Get(int offset) const { return qFromLittleEndian<T>(Data.data() + offset); }
    // Stores a value at the start of the field and zeroes the rest.
    template <typename T> void Set(T value)
    {
        Data.fill(0);
        qToLittleEndian<T>(value, Data.data());
    }
    double GetDouble() const
    {
        const quint64 bits = Get<quint64>(0);
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    void SetDouble(double value)
    {
        quint64 bits;
        std::memcpy(&bits, &value, sizeof bits);
        Set<quint64>(bits);
    }
};

using PrsKeyValue = TrsKeyValue*;
