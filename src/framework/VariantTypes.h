// Variant types of the system that Qt does not have: currency (a 64-bit count
// of ten-thousandths) and date-time (a double, days since 1899-12-30, the
// fraction being the time of day), plus the numeric variant type codes that
// array streams carry for each element. Values, no ownership; thread-safe.
#pragma once

#include <QMetaType>
#include <QVariant>
#include <QtGlobal>

struct TCurrency {
    qint64 Value = 0; // ten-thousandths

    // Rounds to the nearest ten-thousandth, halves to even; raises
    // EConvertError when the value does not fit.
    static TCurrency FromDouble(double value);
    static constexpr TCurrency FromInteger(qint64 units) { return TCurrency { units * 10000 }; }
    double ToDouble() const { return double(Value) / 10000.0; }

    friend bool operator==(TCurrency, TCurrency) = default;
};

struct TDateTime {
    double Value = 0; // days since 1899-12-30

    friend bool operator==(TDateTime, TDateTime) = default;
};

Q_DECLARE_METATYPE(TCurrency)
Q_DECLARE_METATYPE(TDateTime)

// Variant type codes, numbered as array streams write them.
enum TVarType : quint32 {
    varEmpty = 0,
    varNull = 1,
    varSmallint = 2,
    varInteger = 3,
    varSingle = 4,
    varDouble = 5,
    varCurrency = 6,
    varDate = 7,
    varOleStr = 8,
    varBoolean = 11,
    varShortInt = 16,
    varByte = 17,
    varWord = 18,
    varLongWord = 19,
    varInt64 = 20,
    varUInt64 = 21,
    varString = 256, // 8-bit string: QByteArray
    varUString = 258, // UTF-16 string: QString
    varUnknownType = 0xFFFF // any type without a code of its own
};

// The code of a variant's type: QString is varUString, QByteArray varString,
// qint16 varSmallint, int varInteger, float varSingle, double varDouble,
// TCurrency varCurrency, TDateTime varDate, bool varBoolean, signed char
// varShortInt, uchar varByte, ushort varWord, uint varLongWord, qlonglong
// varInt64, qulonglong varUInt64; an invalid variant varEmpty, a null
// std::nullptr_t variant varNull.
TVarType VarType(const QVariant& value);
