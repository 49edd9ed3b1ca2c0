// Published-property access: the run-time type information that lets the
// property saver read and write a component's properties by name. Qt's
// meta-object system is the source: Q_PROPERTY declares a published
// property, Q_ENUM gives an enumeration its value names and Q_FLAG a set its
// element names. A property is found by name ignoring letter case, classified
// into one TTypeKind, and read or written by kind.
//
// Descriptors (QMetaProperty) are owned by the classes' static meta-objects
// and stay valid for the life of the program. The functions only touch the
// object passed in; like the objects themselves they are not thread-safe.
#pragma once

#include <QMetaProperty>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVariant>

// The kinds a published property is converted by. Boolean counts as the
// enumeration False/True; a Q_FLAG property is a set.
enum TTypeKind {
    tkUnknown, // any other type: read and written as nothing
    tkInteger, // 8-, 16- and 32-bit integers
    tkChar, // 8-bit character
    tkEnumeration,
    tkFloat,
    tkLString, // 8-bit text (QByteArray), in the ANSI code page
    tkSet,
    tkClass, // a pointer to a QObject descendant
    tkWChar, // UTF-16 character (QChar)
    tkVariant,
    tkInt64,
    tkUString, // UTF-16 text (QString)
};

// True for every kind that reads and writes as text.
inline bool IsStringKind(TTypeKind kind)
{
    return kind == tkLString || kind == tkUString;
}

// The published property of that name, ignoring letter case; an invalid
// descriptor (isValid() false) when the object has none or OBJECT is null.
QMetaProperty GetPropInfo(const QObject* object, QStringView name);
TTypeKind PropKind(const QMetaProperty& prop);

// Enumerations (Boolean included). Names are looked up ignoring letter case;
// an unknown name gives -1 and an unknown value an empty name.
QStringList GetEnumNames(const QMetaProperty& prop);
QString GetEnumName(const QMetaProperty& prop, int value);
int GetEnumValue(const QMetaProperty& prop, QStringView name);

// Sets. An element's ordinal is the number of its bit in the set's mask;
// only single-bit keys of the Q_FLAG count as elements. The ordinals come
// sorted; an unknown ordinal gives an empty name and an unknown name -1.
QList<int> GetSetElementOrdinals(const QMetaProperty& prop);
QString GetSetElementName(const QMetaProperty& prop, int ordinal);
int GetSetElementOrdinal(const QMetaProperty& prop, QStringView name);

// Typed access. Getters of a property of another kind give the neutral
// value (0, empty, null); setters return false when the value was not
// written (wrong kind, read-only property, incompatible object).
// Ordinal kinds: integer, characters, enumeration, Boolean and set (as mask);
// an ordinal that names no value of an enumeration is refused.
int GetOrdProp(const QObject* object, const QMetaProperty& prop);
bool SetOrdProp(QObject* object, const QMetaProperty& prop, int value);
double GetFloatProp(const QObject* object, const QMetaProperty& prop);
bool SetFloatProp(QObject* object, const QMetaProperty& prop, double value);
QString GetStrProp(const QObject* object, const QMetaProperty& prop);
bool SetStrProp(QObject* object, const QMetaProperty& prop, const QString& value);
qint64 GetInt64Prop(const QObject* object, const QMetaProperty& prop);
bool SetInt64Prop(QObject* object, const QMetaProperty& prop, qint64 value);
QObject* GetObjectProp(const QObject* object, const QMetaProperty& prop);
// VALUE must be null or an instance of the property's class.
bool SetObjectProp(QObject* object, const QMetaProperty& prop, QObject* value);
QVariant GetVariantProp(const QObject* object, const QMetaProperty& prop);
bool SetVariantProp(QObject* object, const QMetaProperty& prop, const QVariant& value);

// "Is a" along the class tree; false for a null object.
bool InheritsFrom(const QObject* object, const QMetaObject& metaObject);
template <class T> bool IsA(const QObject* object)
{
    return InheritsFrom(object, T::staticMetaObject);
}
