#include "framework/PropertyAccess.h"

#include "framework/AnsiCodePage.h"
#include "framework/TextCompare.h"

#include <QMetaEnum>
#include <algorithm>
#include <bit>
#include <cstring>

namespace {

const char* const kBooleanNames[] = { "False", "True" };

// True when LATIN1, a property name, and NAME, which is ASCII, are the same
// name ignoring letter case. Simple case folding makes no other Latin-1
// character equal to an ASCII one, so the name needs no widening here.
bool SameAsciiName(const char* latin1, QStringView name)
{
    const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = uchar(latin1[i]);
        if (c == 0 || lower(c) != lower(name[i].unicode()))
            return false;
    }
    return latin1[name.size()] == '\0';
}

bool IsSingleBit(int value)
{
    return value != 0 && std::has_single_bit(unsigned(value));
}

// Enumerations and sets travel as their underlying integer; reading and
// writing the raw value avoids depending on variant conversions between
// integers and the many enum and QFlags types.
qint64 RawEnumValue(const QVariant& value)
{
    switch (value.metaType().sizeOf()) {
    case 1:
        return *static_cast<const qint8*>(value.constData());
    case 2:
        return *static_cast<const qint16*>(value.constData());
    case 4:
        return *static_cast<const qint32*>(value.constData());
    case 8:
        return *static_cast<const qint64*>(value.constData());
    default:
        return 0;
    }
}

QVariant MakeRawEnum(QMetaType type, qint64 value)
{
    const qint8 v1 = qint8(value);
    const qint16 v2 = qint16(value);
    const qint32 v4 = qint32(value);
    switch (type.sizeOf()) {
    case 1:
        return QVariant(type, &v1);
    case 2:
        return QVariant(type, &v2);
    case 4:
        return QVariant(type, &v4);
    case 8:
        return QVariant(type, &value);
    default:
        return {};
    }
}

TTypeKind KindOfType(QMetaType type)
{
    switch (type.id()) {
    case QMetaType::Bool:
        return tkEnumeration;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return tkInteger;
    case QMetaType::Char:
        return tkChar;
    case QMetaType::QChar:
    case QMetaType::Char16:
        return tkWChar;
    case QMetaType::Double:
    case QMetaType::Float:
        return tkFloat;
    case QMetaType::QString:
        return tkUString;
    case QMetaType::QByteArray:
        return tkLString;
    case QMetaType::QVariant:
        return tkVariant;
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
        return tkInt64;
    default:
        return (type.flags() & QMetaType::PointerToQObject) ? tkClass : tkUnknown;
    }
}

// Writes VALUE after converting it to the property's own type.
bool WriteConverted(QObject* object, const QMetaProperty& prop, QVariant value)
{
    if (!object || !prop.isWritable() || !value.convert(prop.metaType()))
        return false;
    return prop.write(object, value);
}

QVariant Read(const QObject* object, const QMetaProperty& prop)
{
    return object && prop.isReadable() ? prop.read(object) : QVariant();
}

} // namespace

QMetaProperty GetPropInfo(const QObject* object, QStringView name)
{
    if (!object || name.isEmpty())
        return {};
    const QMetaObject* meta = object->metaObject();
    const bool ascii = std::all_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x80; });
    // From the most derived class up, so a redeclared property wins.
    for (int i = meta->propertyCount() - 1; i >= 0; --i) {
        const QMetaProperty prop = meta->property(i);
        if (!prop.isReadable())
            continue;
        if (ascii ? SameAsciiName(prop.name(), name) : SameText(QString::fromLatin1(prop.name()), name))
            return prop;
    }
    return {};
}

TTypeKind PropKind(const QMetaProperty& prop)
{
    if (!prop.isValid())
        return tkUnknown;
    if (prop.isFlagType())
        return tkSet;
    if (prop.isEnumType())
        return tkEnumeration;
    return KindOfType(prop.metaType());
}

QStringList GetEnumNames(const QMetaProperty& prop)
{
    if (prop.metaType().id() == QMetaType::Bool)
        return { QString::fromLatin1(kBooleanNames[0]), QString::fromLatin1(kBooleanNames[1]) };
    const QMetaEnum meta = prop.enumerator();
    QList<std::pair<int, QString>> entries;
    for (int i = 0; prop.isEnumType() && i < meta.keyCount(); ++i)
        entries.append({ meta.value(i), QString::fromLatin1(meta.key(i)) });
    std::stable_sort(
        entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    QStringList names;
    for (const auto& entry : entries)
        names.append(entry.second);
    return names;
}

QString GetEnumName(const QMetaProperty& prop, int value)
{
    if (prop.metaType().id() == QMetaType::Bool)
        return value == 0 || value == 1 ? QString::fromLatin1(kBooleanNames[value]) : QString();
    if (!prop.isEnumType() || prop.isFlagType())
        return {};
    return QString::fromLatin1(prop.enumerator().valueToKey(value));
}

int GetEnumValue(const QMetaProperty& prop, QStringView name)
{
    if (prop.metaType().id() == QMetaType::Bool) {
        for (int i = 0; i < 2; ++i)
            if (SameText(QString::fromLatin1(kBooleanNames[i]), name))
                return i;
        return -1;
    }
    if (!prop.isEnumType() || prop.isFlagType())
        return -1;
    const QMetaEnum meta = prop.enumerator();
    for (int i = 0; i < meta.keyCount(); ++i)
        if (SameText(QString::fromLatin1(meta.key(i)), name))
            return meta.value(i);
    return -1;
}

QList<int> GetSetElementOrdinals(const QMetaProperty& prop)
{
    QList<int> ordinals;
    if (!prop.isFlagType())
        return ordinals;
    const QMetaEnum meta = prop.enumerator();
    for (int i = 0; i < meta.keyCount(); ++i)
        if (IsSingleBit(meta.value(i)))
            ordinals.append(std::countr_zero(unsigned(meta.value(i))));
    std::sort(ordinals.begin(), ordinals.end());
    ordinals.erase(std::unique(ordinals.begin(), ordinals.end()), ordinals.end());
    return ordinals;
}

QString GetSetElementName(const QMetaProperty& prop, int ordinal)
{
    if (!prop.isFlagType() || ordinal < 0 || ordinal > 31)
        return {};
    const QMetaEnum meta = prop.enumerator();
    const int bit = int(1u << ordinal);
    for (int i = 0; i < meta.keyCount(); ++i)
        if (meta.value(i) == bit)
            return QString::fromLatin1(meta.key(i));
    return {};
}

int GetSetElementOrdinal(const QMetaProperty& prop, QStringView name)
{
    if (!prop.isFlagType())
        return -1;
    const QMetaEnum meta = prop.enumerator();
    for (int i = 0; i < meta.keyCount(); ++i)
        if (IsSingleBit(meta.value(i)) && SameText(QString::fromLatin1(meta.key(i)), name))
            return std::countr_zero(unsigned(meta.value(i)));
    return -1;
}

int GetOrdProp(const QObject* object, const QMetaProperty& prop)
{
    const QVariant value = Read(object, prop);
    switch (PropKind(prop)) {
    case tkEnumeration:
        if (prop.metaType().id() == QMetaType::Bool)
            return value.toBool() ? 1 : 0;
        return int(RawEnumValue(value));
    case tkSet:
        return int(RawEnumValue(value));
    case tkWChar:
        return prop.metaType().id() == QMetaType::QChar ? value.value<QChar>().unicode()
                                                        : int(value.value<char16_t>());
    case tkInteger:
    case tkChar:
        return value.toInt();
    default:
        return 0;
    }
}

bool SetOrdProp(QObject* object, const QMetaProperty& prop, int value)
{
    if (!object || !prop.isWritable())
        return false;
    switch (PropKind(prop)) {
    case tkEnumeration:
        if (prop.metaType().id() == QMetaType::Bool)
            return prop.write(object, QVariant(value != 0));
        // An ordinal that names no value would leave the enum variable
        // holding something its type cannot represent.
        if (!prop.enumerator().valueToKey(value))
            return false;
        return prop.write(object, MakeRawEnum(prop.metaType(), value));
    case tkSet:
        return prop.write(object, MakeRawEnum(prop.metaType(), value));
    case tkWChar:
        if (prop.metaType().id() == QMetaType::QChar)
            return prop.write(object, QVariant::fromValue(QChar(char16_t(value))));
        return prop.write(object, QVariant::fromValue(char16_t(value)));
    case tkInteger:
    case tkChar:
        return WriteConverted(object, prop, QVariant(value));
    default:
        return false;
    }
}

double GetFloatProp(const QObject* object, const QMetaProperty& prop)
{
    return PropKind(prop) == tkFloat ? Read(object, prop).toDouble() : 0.0;
}

bool SetFloatProp(QObject* object, const QMetaProperty& prop, double value)
{
    return PropKind(prop) == tkFloat && WriteConverted(object, prop, QVariant(value));
}

QString GetStrProp(const QObject* object, const QMetaProperty& prop)
{
    switch (PropKind(prop)) {
    case tkUString:
        return Read(object, prop).toString();
    case tkLString:
        return AnsiDecode(Read(object, prop).toByteArray());
    default:
        return {};
    }
}

bool SetStrProp(QObject* object, const QMetaProperty& prop, const QString& value)
{
    switch (PropKind(prop)) {
    case tkUString:
        return WriteConverted(object, prop, QVariant(value));
    case tkLString:
        return WriteConverted(object, prop, QVariant(AnsiEncode(value)));
    default:
        return false;
    }
}

qint64 GetInt64Prop(const QObject* object, const QMetaProperty& prop)
{
    return PropKind(prop) == tkInt64 ? Read(object, prop).toLongLong() : 0;
}

bool SetInt64Prop(QObject* object, const QMetaProperty& prop, qint64 value)
{
    return PropKind(prop) == tkInt64 && WriteConverted(object, prop, QVariant(value));
}

QObject* GetObjectProp(const QObject* object, const QMetaProperty& prop)
{
    if (PropKind(prop) != tkClass)
        return nullptr;
    const QVariant value = Read(object, prop);
    QObject* result = nullptr;
    if (value.metaType() == prop.metaType())
        std::memcpy(&result, value.constData(), sizeof result);
    return result;
}

bool SetObjectProp(QObject* object, const QMetaProperty& prop, QObject* value)
{
    if (!object || !prop.isWritable() || PropKind(prop) != tkClass)
        return false;
    const QMetaObject* target = prop.metaType().metaObject();
    if (value && (!target || !value->metaObject()->inherits(target)))
        return false;
    return prop.write(object, QVariant(prop.metaType(), &value));
}

QVariant GetVariantProp(const QObject* object, const QMetaProperty& prop)
{
    return PropKind(prop) == tkVariant ? Read(object, prop) : QVariant();
}

bool SetVariantProp(QObject* object, const QMetaProperty& prop, const QVariant& value)
{
    return object && prop.isWritable() && PropKind(prop) == tkVariant && prop.write(object, value);
}

bool InheritsFrom(const QObject* object, const QMetaObject& metaObject)
{
    return object && object->metaObject()->inherits(&metaObject);
}
