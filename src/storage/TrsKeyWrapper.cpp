#include "storage/TrsKeyWrapper.h"

#include "framework/AnsiCodePage.h"
#include "framework/FormatSettings.h"
#include "storage/HexText.h"
#include "storage/StorageUtils.h"
#include "storage/TrsArrayStream.h"
#include "storage/TrsException.h"
#include "storage/TrsPropertyStream.h"
#include "storage/TrsStorage.h"

#include <QBuffer>
#include <QtEndian>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// Rounds to the nearest integer, halves to even; false when out of range.
template <typename T> bool RoundTo(double value, T& result)
{
    const double rounded = std::nearbyint(value);
    if (!(rounded >= double(std::numeric_limits<T>::min())
            && rounded < -double(std::numeric_limits<T>::min())))
        return false;
    result = T(rounded);
    return true;
}

// Currency to whole units, halves to even.
qint64 CurrencyUnits(qint64 value)
{
    qint64 units = value / 10000;
    const qint64 rest = value % 10000;
    if (rest > 5000 || (rest == 5000 && (units & 1)))
        ++units;
    else if (rest < -5000 || (rest == -5000 && (units & 1)))
        --units;
    return units;
}

template <typename T> T FromBuffer(const QByteArray& bytes)
{
    return qFromLittleEndian<T>(bytes.constData());
}

double DoubleFromBuffer(const QByteArray& bytes)
{
    const quint64 bits = FromBuffer<quint64>(bytes);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

} // namespace

TrsKeyWrapper::TrsKeyWrapper(TrsStorage* AOwner)
    : FStorage(AOwner)
{
}

TrsKeyWrapper::~TrsKeyWrapper() = default;

void TrsKeyWrapper::SetKeyItem(TrsKeyItem* AKeyItem, int SectionIdxHint)
{
    FKeyItem = AKeyItem;
    FCacheSectionIdx = SectionIdxHint;
}

TrsKeyItem& TrsKeyWrapper::Item() const
{
    if (!FKeyItem)
        RaiseStorageError(ekGeneral, QStringLiteral("No key is selected."));
    return *FKeyItem;
}

void TrsKeyWrapper::Clear()
{
    Item().Value.ClearValue();
}

QBuffer& TrsKeyWrapper::MemStream()
{
    if (!FMemStream)
        FMemStream = std::make_unique<QBuffer>();
    FMemStream->close();
    FMemStream->setData(QByteArray());
    FMemStream->open(QIODevice::ReadWrite);
    return *FMemStream;
}

void TrsKeyWrapper::ReleaseMemStream()
{
    FMemStream.reset();
}

quint16 TrsKeyWrapper::KeyType() const
{
    return Item().Value.kvType;
}

void TrsKeyWrapper::SetKeyType(quint16 Value)
{
    Item().Value.kvType = Value;
}

quint16 TrsKeyWrapper::KeyOptions() const
{
    return Item().Value.Options;
}

void TrsKeyWrapper::SetKeyOptions(quint16 Value)
{
    Item().Value.Options = Value;
}

// ---------------------------------------------------------------------------
// Names

const TrsSectionItem* TrsKeyWrapper::Section() const
{
    const TrsKeyItem& item = Item();
    if (item.SectionId == 0 || !FStorage)
        return nullptr;
    FCacheSectionIdx = FStorage->IndexOfSectionId(item.SectionId, FCacheSectionIdx);
    return FStorage->GetSectionItem(FCacheSectionIdx);
}

QString TrsKeyWrapper::Name() const
{
    return Item().Name;
}

QString TrsKeyWrapper::SectionName() const
{
    const TrsSectionItem* section = Section();
    return section ? section->Name : QString();
}

QString TrsKeyWrapper::SectionFullName() const
{
    return Section() ? FStorage->GetSectionPath(FCacheSectionIdx) : QString();
}

int TrsKeyWrapper::SectionLevel() const
{
    return Section() ? FStorage->GetSectionLevel(FCacheSectionIdx) : 0;
}

QString TrsKeyWrapper::FullName() const
{
    return u'\\' + SectionFullName() + u'\\' + Name();
}

void TrsKeyWrapper::RaiseReadError(const char* typeWord) const
{
    RaiseStorageError(ekGetKeyValue,
        QStringLiteral("Can't read value of key \"%1\" as %2 type.")
            .arg(FullName(), QLatin1String(typeWord)));
}

void TrsKeyWrapper::RaiseWriteError(const char* typeWord) const
{
    RaiseStorageError(ekSetKeyValue,
        QStringLiteral("Can't write value of key \"%1\" as %2 type.")
            .arg(FullName(), QLatin1String(typeWord)));
}

// ---------------------------------------------------------------------------
// Whole values

void TrsKeyWrapper::AssignValue(const TrsKeyValue* PKey)
{
    if (PKey)
        Item().Value = *PKey;
}

void TrsKeyWrapper::AssignValueTo(TrsKeyValue* PKey) const
{
    if (PKey)
        *PKey = Item().Value;
}

bool TrsKeyWrapper::EqualValue(const TrsKeyValue* PKey) const
{
    const TrsKeyValue& a = Item().Value;
    if (!PKey || a.kvType != PKey->kvType)
        return false;
    const TrsKeyValue& b = *PKey;
    switch (a.kvType) {
    case ktNone:
        return true;
    case ktString:
        return a.VString == b.VString;
    case ktBuffer:
        return a.VBuffer == b.VBuffer;
    case ktInteger:
    case ktPointer:
        return a.VInteger() == b.VInteger();
    case ktFloat:
        return a.VDouble() == b.VDouble();
    case ktCurrency:
        return a.VCurrency() == b.VCurrency();
    case ktDateTime:
        return SameFloat(a.VDateTime(), b.VDateTime());
    case ktBoolean:
        return (a.VBoolean() != 0) == (b.VBoolean() != 0);
    case ktPoint:
        return a.X() == b.X() && a.Y() == b.Y();
    case ktInt64:
        return a.VInt64() == b.VInt64();
    default:
        return true;
    }
}

// ---------------------------------------------------------------------------
// Buffers, streams and arrays

namespace {

// The bytes a string or buffer key offers; empty for other types.
QByteArrayView SourceBytes(const TrsKeyValue& value)
{
    if (value.kvType == ktString)
        return QByteArrayView(reinterpret_cast<const char*>(value.VString.utf16()), value.VString.size() * 2);
    if (value.kvType == ktBuffer)
        return QByteArrayView(value.VBuffer);
    return QByteArrayView();
}

} // namespace

int TrsKeyWrapper::GetAsBuffer(void* Buffer, int Count) const
{
    const QByteArrayView source = SourceBytes(Item().Value);
    if (Count <= 0 || !Buffer)
        return int(source.size());
    const int copied = int(std::min<qsizetype>(Count, source.size()));
    if (copied > 0)
        std::memcpy(Buffer, source.data(), size_t(copied));
    return copied;
}

void TrsKeyWrapper::SetAsBuffer(const void* Buffer, int Count)
{
    TrsKeyValue& value = Item().Value;
    value.ClearValue();
    value.kvType = ktBuffer;
    if (Buffer && Count > 0)
        value.VBuffer = QByteArray(static_cast<const char*>(Buffer), Count);
}

int TrsKeyWrapper::GetAsStream(QIODevice& Stream) const
{
    const QByteArrayView source = SourceBytes(Item().Value);
    if (source.isEmpty())
        return 0;
    if (Stream.write(source.data(), source.size()) != source.size())
        RaiseStorageError(ekGeneral,
            QStringLiteral("Can't write key \"%1\" to stream: %2").arg(FullName(), Stream.errorString()));
    return int(source.size());
}

void TrsKeyWrapper::SetAsStream(QIODevice& Stream)
{
    TrsKeyItem& item = Item();
    if (!Stream.isSequential())
        Stream.seek(0);
    const QByteArray bytes = Stream.readAll();
    item.Value.ClearValue();
    item.Value.kvType = ktBuffer;
    item.Value.VBuffer = bytes;
}

int TrsKeyWrapper::GetAsArray(QVariantList& Values) const
{
    // Only a buffer key holds an array stream; any other type reads as an
    // empty array rather than as bytes it never had.
    const TrsKeyValue& value = Item().Value;
    if (value.kvType != ktBuffer || value.VBuffer.isEmpty())
        return 0;
    Values = ReadArrayStream(value.VBuffer);
    return int(Values.size());
}

void TrsKeyWrapper::SetAsArray(const QVariantList& Values)
{
    TrsKeyItem& item = Item();
    QBuffer& stream = MemStream();
    if (!WriteArrayStream(stream, Values))
        RaiseWriteError("array");
    item.Value.ClearValue();
    item.Value.kvType = ktBuffer;
    item.Value.VBuffer = stream.data();
}

// ---------------------------------------------------------------------------
// Property streams

void TrsKeyWrapper::GetComponentProps(const QObject* Instance)
{
    TrsKeyItem& item = Item();
    if (!Instance)
        return;
    const QByteArray bytes = WriteComponentStream(*Instance);
    item.Value.ClearValue();
    item.Value.kvType = ktBuffer;
    item.Value.VBuffer = bytes;
}

QObject* TrsKeyWrapper::SetComponentProps(QObject* Instance)
{
    const TrsKeyValue& value = Item().Value;
    if (!Instance || value.kvType != ktBuffer || value.VBuffer.isEmpty())
        return nullptr;
    if (!ReadComponentStream(value.VBuffer, *Instance))
        RaiseStorageError(ekGeneral,
            QStringLiteral(
                "Can't read component %1 from key \"%2\": the stored bytes are damaged or of another class.")
                .arg(QLatin1String(Instance->metaObject()->className()), FullName()));
    return Instance;
}

bool TrsKeyWrapper::GetPersistentProps(const QObject* Instance)
{
    TrsKeyItem& item = Item();
    if (!Instance)
        return false;
    const QByteArray bytes = WritePropertyStream(*Instance);
    item.Value.ClearValue();
    item.Value.kvType = ktBuffer;
    item.Value.VBuffer = bytes;
    return true;
}

bool TrsKeyWrapper::SetPersistentProps(QObject* Instance)
{
    const TrsKeyValue& value = Item().Value;
    if (!Instance || value.kvType != ktBuffer || value.VBuffer.isEmpty())
        return false;
    if (!ReadPropertyStream(value.VBuffer, *Instance))
        RaiseStorageError(ekGeneral,
            QStringLiteral("Can't read properties from key \"%1\": the stored bytes are damaged.")
                .arg(FullName()));
    return true;
}

// ---------------------------------------------------------------------------
// Typed getters

qint32 TrsKeyWrapper::AsInteger() const
{
    const TrsKeyValue& v = Item().Value;
    qint32 result = 0;
    switch (v.kvType) {
    case ktNone:
    case ktInteger:
        return v.VInteger();
    case ktInt64:
        return qint32(quint32(quint64(v.VInt64())));
    case ktString:
        return StrToInt(v.VString);
    case ktBuffer:
        if (v.VBuffer.size() == 4)
            return FromBuffer<qint32>(v.VBuffer);
        break;
    case ktFloat:
    case ktDateTime:
        if (RoundTo(v.VDouble(), result))
            return result;
        break;
    case ktCurrency: {
        const qint64 units = CurrencyUnits(v.VCurrency());
        if (units >= std::numeric_limits<qint32>::min() && units <= std::numeric_limits<qint32>::max())
            return qint32(units);
        break;
    }
    case ktBoolean:
        return v.VBoolean() != 0 ? 1 : 0;
    default:
        break;
    }
    RaiseReadError("integer");
}

qint64 TrsKeyWrapper::AsInt64() const
{
    const TrsKeyValue& v = Item().Value;
    qint64 result = 0;
    switch (v.kvType) {
    case ktNone:
    case ktInt64:
        return v.VInt64();
    case ktInteger:
        return v.VInteger();
    case ktString:
        return StrToInt64(v.VString);
    case ktBuffer:
        if (v.VBuffer.size() == 8)
            return FromBuffer<qint64>(v.VBuffer);
        break;
    case ktFloat:
        if (RoundTo(v.VDouble(), result))
            return result;
        break;
    case ktCurrency:
        return CurrencyUnits(v.VCurrency());
    default:
        break;
    }
    RaiseReadError("Int64");
}

double TrsKeyWrapper::AsFloat() const
{
    const TrsKeyValue& v = Item().Value;
    switch (v.kvType) {
    case ktNone:
    case ktFloat:
        return v.VDouble();
    case ktInteger:
        return v.VInteger();
    case ktInt64:
        return double(v.VInt64());
    case ktCurrency:
        return TCurrency { v.VCurrency() }.ToDouble();
    case ktString:
        return StrToFloat(v.VString);
    case ktBuffer:
        if (v.VBuffer.size() == 8)
            return DoubleFromBuffer(v.VBuffer);
        break;
    default:
        break;
    }
    RaiseReadError("float");
}

TCurrency TrsKeyWrapper::AsCurrency() const
{
    const TrsKeyValue& v = Item().Value;
    constexpr qint64 limit = std::numeric_limits<qint64>::max() / 10000;
    switch (v.kvType) {
    case ktNone:
    case ktCurrency:
        return TCurrency { v.VCurrency() };
    case ktFloat:
        return TCurrency::FromDouble(v.VDouble());
    case ktInteger:
        return TCurrency::FromInteger(v.VInteger());
    case ktInt64:
        if (v.VInt64() >= -limit && v.VInt64() <= limit)
            return TCurrency::FromInteger(v.VInt64());
        break;
    case ktString:
        return StrToCurr(v.VString);
    case ktBuffer:
        if (v.VBuffer.size() == 8)
            return TCurrency { FromBuffer<qint64>(v.VBuffer) };
        break;
    default:
        break;
    }
    RaiseReadError("currency");
}

TDateTime TrsKeyWrapper::AsDateTime() const
{
    const TrsKeyValue& v = Item().Value;
    switch (v.kvType) {
    case ktNone:
    case ktDateTime:
    case ktFloat:
        return TDateTime { v.VDouble() };
    case ktInteger:
        return TDateTime { double(v.VInteger()) };
    case ktInt64:
        return TDateTime { double(v.VInt64()) };
    case ktString:
        return StrToDateTime(v.VString);
    case ktBuffer:
        if (v.VBuffer.size() == 8)
            return TDateTime { DoubleFromBuffer(v.VBuffer) };
        break;
    default:
        break;
    }
    RaiseReadError("DateTime");
}

bool TrsKeyWrapper::AsBoolean() const
{
    const TrsKeyValue& v = Item().Value;
    switch (v.kvType) {
    case ktNone:
    case ktBoolean:
    case ktInteger:
        return v.VInteger() != 0;
    case ktInt64:
    case ktCurrency:
        return v.VInt64() != 0;
    case ktFloat:
        return v.VDouble() != 0;
    case ktString:
        if (v.VString.compare(u"True", Qt::CaseInsensitive) == 0)
            return true;
        if (v.VString.compare(u"False", Qt::CaseInsensitive) == 0)
            return false;
        break;
    default:
        break;
    }
    RaiseReadError("boolean");
}

QPoint TrsKeyWrapper::AsPoint() const
{
    const TrsKeyValue& v = Item().Value;
    if (v.kvType != ktNone && v.kvType != ktPoint)
        RaiseReadError("point");
    return QPoint(v.X(), v.Y());
}

quintptr TrsKeyWrapper::AsPointer() const
{
    const TrsKeyValue& v = Item().Value;
    switch (v.kvType) {
    case ktInteger:
    case ktPointer:
        return quintptr(v.VPointer());
    case ktString:
        return quintptr(v.VString.constData());
    case ktBuffer:
        return quintptr(v.VBuffer.constData());
    default:
        break;
    }
    RaiseReadError("pointer");
}

QString TrsKeyWrapper::AsString() const
{
    const TrsKeyValue& v = Item().Value;
    switch (v.kvType) {
    case ktNone:
        return QString();
    case ktString:
        return v.VString;
    case ktBuffer:
        return QString::fromLatin1(HexEncode(v.VBuffer));
    case ktInteger:
    case ktPointer:
        return QString::number(v.VInteger());
    case ktInt64:
        return QString::number(v.VInt64());
    case ktFloat:
        return FloatToStr(v.VDouble());
    case ktCurrency:
        return CurrToStr(TCurrency { v.VCurrency() });
    case ktDateTime:
        return DateTimeToStr(TDateTime { v.VDateTime() });
    case ktBoolean:
        return v.VBoolean() != 0 ? QStringLiteral("True") : QStringLiteral("False");
    case ktPoint:
        return QStringLiteral("(%1,%2)").arg(v.X()).arg(v.Y());
    default:
        break;
    }
    RaiseReadError("string");
}

// ---------------------------------------------------------------------------
// Typed setters: each replaces the key's type and whole value.

void TrsKeyWrapper::SetAsBoolean(bool Value)
{
    TrsKeyValue& v = Item().Value;
    v.ClearValue();
    v.kvType = ktBoolean;
    v.SetVBoolean(Value ? -1 : 0);
}

void TrsKeyWrapper::SetAsCurrency(TCurrency Value)
{
    TrsKeyValue& v = Item().Value;
    v.ClearValue();
    v.kvType = ktCurrency;
    v.SetVCurrency(Value.Value);
}

void TrsKeyWrapper::SetAsDateTime(TDateTime Value)
{
    TrsKeyValue& v = Item().Value;
    v.ClearValue();
    v.kvType = ktDateTime;
    v.SetVDateTime(Value.Value);
}

void TrsKeyWrapper::SetAsFloat(double Value)
{
    TrsKeyValue& v = Item().Value;
    v.ClearValue();
    v.kvType = ktFloat;
    v.SetVDouble(Value);
}

void TrsKeyWrapper::SetAsInt64(qint64 Value)
{
    TrsKeyValue& v = Item().Value;
    v.ClearValue();
    v.kvType = ktInt64;
    v.SetVInt64(Value);
}

void TrsKeyWrapper::SetAsInteger(qint32 Value)
{
    TrsKeyValue& v = Item().Value;
    v.ClearValue();
    v.kvType = ktInteger;
    v.SetVInteger(Value);
}

void TrsKeyWrapper::SetAsPoint(QPoint Value)
{
    TrsKeyValue& v = Item().Value;
    v.ClearValue();
    v.kvType = ktPoint;
    v.SetXY(Value.x(), Value.y());
}

void TrsKeyWrapper::SetAsPointer(quint32 Value)
{
    TrsKeyValue& v = Item().Value;
    v.ClearValue();
    v.kvType = ktPointer;
    v.SetVPointer(Value);
}

void TrsKeyWrapper::SetAsString(const QString& Value)
{
    SetAsString(QString(Value));
}

void TrsKeyWrapper::SetAsString(QString&& Value)
{
    TrsKeyValue& v = Item().Value;
    v.ClearValue();
    v.kvType = ktString;
    v.VString = std::move(Value);
}

// ---------------------------------------------------------------------------
// Variants

QVariant TrsKeyWrapper::AsVariant() const
{
    const TrsKeyValue& v = Item().Value;
    switch (v.kvType) {
    case ktString:
        return v.VString;
    case ktBuffer:
        return v.VBuffer;
    case ktInteger:
    case ktPointer:
        return int(v.VInteger());
    case ktFloat:
        return v.VDouble();
    case ktCurrency:
        return QVariant::fromValue(TCurrency { v.VCurrency() });
    case ktDateTime:
        return QVariant::fromValue(TDateTime { v.VDateTime() });
    case ktBoolean:
        return v.VBoolean() != 0;
    case ktInt64:
        return qlonglong(v.VInt64());
    default:
        return QVariant();
    }
}

void TrsKeyWrapper::SetAsVariant(const QVariant& Value)
{
    TrsKeyItem& item = Item();
    switch (VarType(Value)) {
    case varEmpty:
    case varNull:
        item.Value.ClearValue();
        item.Value.kvType = ktNone;
        return;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
        return SetAsInteger(qint32(quint32(Value.toLongLong()))); // a long word keeps its 32 bits
    case varSingle:
    case varDouble:
        return SetAsFloat(Value.toDouble());
    case varCurrency:
        return SetAsCurrency(Value.value<TCurrency>());
    case varDate:
        return SetAsDateTime(Value.value<TDateTime>());
    case varUString:
    case varOleStr:
        return SetAsString(Value.toString());
    case varString:
        return SetAsString(AnsiDecode(Value.toByteArray()));
    case varBoolean:
        item.Value.ClearValue();
        item.Value.kvType = ktBoolean;
        item.Value.SetVBoolean(Value.toBool() ? 1 : 0);
        return;
    case varInt64:
        return SetAsInt64(Value.toLongLong());
    case varUInt64:
        // Values above the signed range have no key type that holds them.
        if (Value.toULongLong() <= quint64(std::numeric_limits<qint64>::max()))
            return SetAsInt64(qint64(Value.toULongLong()));
        RaiseWriteError("Int64");
    default:
        // Arrays, lists and other types have no key type: the key stays as
        // it was.
        RaiseWriteError("variant");
    }
}
