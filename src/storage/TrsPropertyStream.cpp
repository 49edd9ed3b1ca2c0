#include "storage/TrsPropertyStream.h"

#include "framework/PropertyAccess.h"

#include <QMetaObject>
#include <QObject>
#include <QtEndian>
#include <cstring>

namespace {

enum TPropTag : quint8 { ptOrdinal = 1, ptFloat = 2, ptString = 3, ptInt64 = 4, ptObject = 5 };

// Nested objects deeper than this are not followed: object graphs with
// cycles would otherwise never end.
constexpr int MaxDepth = 16;

template <typename T> void Put(QByteArray& out, T value)
{
    char bytes[sizeof(T)];
    qToLittleEndian<T>(value, bytes);
    out.append(bytes, sizeof bytes);
}

void PutName(QByteArray& out, const QByteArray& name)
{
    out.append(char(quint8(name.size())));
    out.append(name);
}

void PutList(QByteArray& out, const QObject& object, int depth);

bool PutValue(QByteArray& out, const QObject& object, const QMetaProperty& prop, int depth)
{
    switch (PropKind(prop)) {
    case tkInteger:
    case tkChar:
    case tkWChar:
    case tkEnumeration:
    case tkSet:
        out.append(char(ptOrdinal));
        Put<qint32>(out, GetOrdProp(&object, prop));
        return true;
    case tkFloat: {
        out.append(char(ptFloat));
        const double value = GetFloatProp(&object, prop);
        quint64 bits;
        std::memcpy(&bits, &value, sizeof bits);
        Put<quint64>(out, bits);
        return true;
    }
    case tkLString:
    case tkUString: {
        out.append(char(ptString));
        const QString text = GetStrProp(&object, prop);
        Put<quint32>(out, quint32(text.size() * 2));
        for (QChar c : text)
            Put<quint16>(out, c.unicode());
        return true;
    }
    case tkInt64:
        out.append(char(ptInt64));
        Put<qint64>(out, GetInt64Prop(&object, prop));
        return true;
    case tkClass: {
        const QObject* nested = GetObjectProp(&object, prop);
        if (!nested || depth >= MaxDepth)
            return false;
        out.append(char(ptObject));
        PutList(out, *nested, depth + 1);
        return true;
    }
    default:
        return false; // variants and unknown types are not stored
    }
}

void PutList(QByteArray& out, const QObject& object, int depth)
{
    const QMetaObject* meta = object.metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty prop = meta->property(i);
        const QByteArray name = prop.name();
        const bool nested = PropKind(prop) == tkClass;
        if (!prop.isReadable() || !prop.isStored() || (!nested && !prop.isWritable()) || name.size() > 255)
            continue;
        QByteArray entry;
        PutName(entry, name);
        if (PutValue(entry, object, prop, depth))
            out.append(entry);
    }
    out.append('\0');
}

class TReader {
public:
    explicit TReader(QByteArrayView bytes)
        : FBytes(bytes)
    {
    }

    bool AtEnd() const { return FPos >= FBytes.size(); }

    bool Bytes(qsizetype count, QByteArrayView& view)
    {
        if (count < 0 || count > FBytes.size() - FPos)
            return false;
        view = FBytes.sliced(FPos, count);
        FPos += count;
        return true;
    }

    template <typename T> bool Get(T& value)
    {
        QByteArrayView view;
        if (!Bytes(sizeof(T), view))
            return false;
        value = qFromLittleEndian<T>(view.data());
        return true;
    }

private:
    QByteArrayView FBytes;
    qsizetype FPos = 0;
};

bool ReadList(TReader& reader, QObject* object, int depth);

// Reads one value; OBJECT is null (or the property invalid) when it is to
// be skipped.
bool ReadValue(TReader& reader, quint8 tag, QObject* object, const QMetaProperty& prop, int depth)
{
    const bool apply = object && prop.isValid();
    switch (tag) {
    case ptOrdinal: {
        qint32 value;
        if (!reader.Get(value))
            return false;
        if (apply)
            SetOrdProp(object, prop, value);
        return true;
    }
    case ptFloat: {
        quint64 bits;
        if (!reader.Get(bits))
            return false;
        double value;
        std::memcpy(&value, &bits, sizeof value);
        if (apply)
            SetFloatProp(object, prop, value);
        return true;
    }
    case ptString: {
        quint32 size;
        QByteArrayView bytes;
        if (!reader.Get(size) || !reader.Bytes(qsizetype(size), bytes))
            return false;
        QString text(bytes.size() / 2, Qt::Uninitialized);
        qFromLittleEndian<char16_t>(bytes.data(), text.size(), text.data());
        if (apply)
            SetStrProp(object, prop, text);
        return true;
    }
    case ptInt64: {
        qint64 value;
        if (!reader.Get(value))
            return false;
        if (apply)
            SetInt64Prop(object, prop, value);
        return true;
    }
    case ptObject:
        return depth < MaxDepth && ReadList(reader, apply ? GetObjectProp(object, prop) : nullptr, depth + 1);
    default:
        return false;
    }
}

bool ReadList(TReader& reader, QObject* object, int depth)
{
    for (;;) {
        quint8 length;
        if (!reader.Get(length))
            return false;
        if (length == 0)
            return true;
        QByteArrayView name;
        quint8 tag;
        if (!reader.Bytes(length, name) || !reader.Get(tag))
            return false;
        const QMetaProperty prop = object ? GetPropInfo(object, QString::fromLatin1(name)) : QMetaProperty();
        if (!ReadValue(reader, tag, object, prop, depth))
            return false;
    }
}

} // namespace

QByteArray WritePropertyStream(const QObject& Instance)
{
    QByteArray out;
    PutList(out, Instance, 0);
    return out;
}

QByteArray WriteComponentStream(const QObject& Instance)
{
    QByteArray out;
    PutName(out, QByteArray(Instance.metaObject()->className()).left(255));
    PutList(out, Instance, 0);
    return out;
}

bool ReadPropertyStream(QByteArrayView Bytes, QObject& Instance)
{
    TReader reader(Bytes);
    return ReadList(reader, &Instance, 0);
}

bool ReadComponentStream(QByteArrayView Bytes, QObject& Instance)
{
    TReader reader(Bytes);
    quint8 length;
    QByteArrayView className;
    if (!reader.Get(length) || !reader.Bytes(length, className))
        return false;
    if (className.toByteArray() != QByteArray(Instance.metaObject()->className()))
        return false;
    return ReadList(reader, &Instance, 0);
}
