#include "storage/TrsArrayStream.h"

#include "framework/AnsiCodePage.h"
#include "framework/VariantTypes.h"

#include <QIODevice>
#include <QtEndian>
#include <algorithm>
#include <cstring>

namespace {

constexpr quint32 WideStringFlag = 0x80000000u;

template <typename T> bool Put(QIODevice& stream, T value)
{
    char bytes[sizeof(T)];
    qToLittleEndian<T>(value, bytes);
    return stream.write(bytes, sizeof bytes) == qint64(sizeof bytes);
}

template <typename F> bool PutFloat(QIODevice& stream, F value)
{
    using Bits = std::conditional_t<sizeof(F) == 4, quint32, quint64>;
    Bits bits;
    std::memcpy(&bits, &value, sizeof bits);
    return Put<Bits>(stream, bits);
}

bool PutBytes(QIODevice& stream, const QByteArray& bytes, quint32 lengthFlag)
{
    return Put<quint32>(stream, quint32(bytes.size()) | lengthFlag)
        && stream.write(bytes) == qint64(bytes.size());
}

bool HasCharacterAboveLatin1(const QString& text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() > 0xFF; });
}

// A text with a character above U+00FF is written in UTF-16, any other in
// the 8-bit code page. A text of only such low characters that the code page
// still cannot hold (a code page other than windows-1252) also goes out in
// UTF-16 rather than losing characters as "?".
bool PutText(QIODevice& stream, const QString& text)
{
    if (!HasCharacterAboveLatin1(text)) {
        const QByteArray narrow = AnsiEncode(text);
        if (AnsiDecode(narrow) == text)
            return PutBytes(stream, narrow, 0);
    }
    QByteArray wide(text.size() * 2, Qt::Uninitialized);
    qToLittleEndian<char16_t>(text.utf16(), text.size(), wide.data());
    return PutBytes(stream, wide, WideStringFlag);
}

bool PutElement(QIODevice& stream, const QVariant& value)
{
    const TVarType type = VarType(value);
    switch (type) {
    case varSmallint:
        return Put<quint32>(stream, type) && Put<qint16>(stream, value.value<qint16>());
    case varInteger:
        return Put<quint32>(stream, type) && Put<qint32>(stream, value.toInt());
    case varSingle:
        return Put<quint32>(stream, type) && PutFloat<float>(stream, value.toFloat());
    case varDouble:
        return Put<quint32>(stream, type) && PutFloat<double>(stream, value.toDouble());
    case varCurrency:
        return Put<quint32>(stream, type) && Put<qint64>(stream, value.value<TCurrency>().Value);
    case varDate:
        return Put<quint32>(stream, type) && PutFloat<double>(stream, value.value<TDateTime>().Value);
    case varUString:
    case varOleStr:
        return Put<quint32>(stream, type) && PutText(stream, value.toString());
    case varString:
        return Put<quint32>(stream, type) && PutBytes(stream, value.toByteArray(), 0);
    case varBoolean:
        return Put<quint32>(stream, type) && Put<quint8>(stream, value.toBool() ? 1 : 0);
    case varByte:
        return Put<quint32>(stream, type) && Put<quint8>(stream, value.value<quint8>());
    default:
        return false;
    }
}

// Reads little-endian values from a byte view, refusing to read past its end.
class TReader {
public:
    explicit TReader(QByteArrayView bytes)
        : FBytes(bytes)
    {
    }

    qsizetype Left() const { return FBytes.size() - FPos; }

    template <typename T> bool Get(T& value)
    {
        if (Left() < qsizetype(sizeof(T)))
            return false;
        value = qFromLittleEndian<T>(FBytes.data() + FPos);
        FPos += sizeof(T);
        return true;
    }

    template <typename F> bool GetFloat(F& value)
    {
        using Bits = std::conditional_t<sizeof(F) == 4, quint32, quint64>;
        Bits bits;
        if (!Get<Bits>(bits))
            return false;
        std::memcpy(&value, &bits, sizeof value);
        return true;
    }

    bool GetText(QString& text)
    {
        quint32 length;
        if (!Get<quint32>(length))
            return false;
        const bool wide = length & WideStringFlag;
        const qsizetype count = qsizetype(length & ~WideStringFlag);
        if (count > Left())
            return false;
        const QByteArrayView bytes = FBytes.sliced(FPos, count);
        FPos += count;
        if (!wide) {
            text = AnsiDecode(bytes);
            return true;
        }
        text.resize(count / 2); // an odd last byte is dropped
        qFromLittleEndian<char16_t>(bytes.data(), count / 2, text.data());
        return true;
    }

private:
    QByteArrayView FBytes;
    qsizetype FPos = 0;
};

bool GetElement(TReader& reader, QVariant& value)
{
    quint32 type;
    if (!reader.Get<quint32>(type))
        return false;
    switch (type) {
    case varSmallint: {
        qint16 v;
        return reader.Get<qint16>(v) && (value = int(v), true);
    }
    case varInteger: {
        qint32 v;
        return reader.Get<qint32>(v) && (value = int(v), true);
    }
    case varByte: {
        quint8 v;
        return reader.Get<quint8>(v) && (value = int(v), true);
    }
    case varSingle: {
        float v;
        return reader.GetFloat<float>(v) && (value = double(v), true);
    }
    case varDouble: {
        double v;
        return reader.GetFloat<double>(v) && (value = v, true);
    }
    case varCurrency: {
        qint64 v;
        return reader.Get<qint64>(v) && (value = QVariant::fromValue(TCurrency { v }), true);
    }
    case varDate: {
        double v;
        return reader.GetFloat<double>(v) && (value = QVariant::fromValue(TDateTime { v }), true);
    }
    case varBoolean: {
        quint8 v;
        return reader.Get<quint8>(v) && (value = v != 0, true);
    }
    case varOleStr:
    case varString:
    case varUString: {
        QString text;
        return reader.GetText(text) && (value = text, true);
    }
    default:
        return false; // unknown payload size: nothing after it can be read
    }
}

} // namespace

bool WriteArrayStream(QIODevice& Stream, const QVariantList& Values)
{
    if (!Put<qint32>(Stream, qint32(Values.size())))
        return false;
    for (const QVariant& value : Values)
        if (!PutElement(Stream, value))
            return false;
    return true;
}

QVariantList ReadArrayStream(QByteArrayView Bytes)
{
    TReader reader(Bytes);
    qint32 count;
    QVariantList values;
    if (!reader.Get<qint32>(count))
        return values;
    for (qint32 i = 0; i < count && reader.Left() > 0; ++i) {
        QVariant value;
        if (!GetElement(reader, value))
            break;
        values.append(value);
    }
    return values;
}
