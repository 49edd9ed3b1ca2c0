#include "framework/VariantTypes.h"

#include "framework/Exception.h"

#include <cmath>
#include <limits>

TCurrency TCurrency::FromDouble(double value)
{
    // nearbyint rounds halves to even in the default rounding mode.
    const double scaled = std::nearbyint(value * 10000.0);
    if (!(scaled >= -9223372036854775808.0 && scaled < 9223372036854775808.0))
        throw EConvertError(QStringLiteral("'%1' is not a valid currency value").arg(value));
    return TCurrency { qint64(scaled) };
}

TVarType VarType(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::UnknownType:
        return varEmpty;
    case QMetaType::Nullptr:
        return varNull;
    case QMetaType::Short:
        return varSmallint;
    case QMetaType::Int:
        return varInteger;
    case QMetaType::Float:
        return varSingle;
    case QMetaType::Double:
        return varDouble;
    case QMetaType::QString:
        return varUString;
    case QMetaType::QByteArray:
        return varString;
    case QMetaType::Bool:
        return varBoolean;
    case QMetaType::SChar:
    case QMetaType::Char:
        return varShortInt;
    case QMetaType::UChar:
        return varByte;
    case QMetaType::UShort:
        return varWord;
    case QMetaType::UInt:
        return varLongWord;
    case QMetaType::LongLong:
        return varInt64;
    case QMetaType::ULongLong:
        return varUInt64;
    default:
        break;
    }
    if (value.metaType() == QMetaType::fromType<TCurrency>())
        return varCurrency;
    if (value.metaType() == QMetaType::fromType<TDateTime>())
        return varDate;
    return varUnknownType;
}
