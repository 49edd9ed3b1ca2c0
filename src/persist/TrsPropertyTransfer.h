// TrsPropertyTransfer: moves one published property between an object and
// the key a key wrapper points at, by the property's kind; resolves dotted
// property paths from the saver's owner; and gives sets, component
// references, string lists and collections their text forms. The property
// saver holds one per owner and delegates to it. It refers to the owner and
// the key wrapper and owns neither. Not thread-safe.
#pragma once

#include <QMetaProperty>
#include <QString>

class QObject;
class TCollection;
class TComponent;
class TrsKeyWrapper;

class TrsPropertyTransfer {
public:
    // OWNER is the saver's owner (may be null); KEY must outlive this.
    TrsPropertyTransfer(TComponent* Owner, TrsKeyWrapper& Key);

    // poNotRestoreCollectionItemsCount: loading a collection neither adds
    // nor removes items.
    void SetNotRestoreCollectionItemsCount(bool Value) { FNotRestoreCount = Value; }

    // Walks PropName from Instance along class-typed properties and owned
    // components. On return Instance is the object reached and PropName the
    // rest of the path; false when the walk reached nothing. A path naming
    // an owned component alone gives that component and an empty rest.
    static bool FindInstance(QObject*& Instance, QString& PropName);

    // "Name": the owner's component of that name. "Form.Name": the named
    // component of the first open form, else data module, whose Name is
    // exactly "Form". Null when nothing matches.
    TComponent* rsFindGlobalComponent(const QString& Value) const;

    // Property into key, and key into property. A property that Instance
    // does not publish, or of a kind without a key form, is left alone.
    // Key conversion errors propagate.
    void GetPropertyToKey(QObject* Instance, const QString& PropName);
    void SetPropertyFromKey(QObject* Instance, const QString& PropName);

    // Each item's PropName as one key text: "v1,v2,..." in double quotes.
    void SaveCollection(TCollection* Collection, const QString& PropName);
    void LoadCollection(TCollection* Collection, const QString& PropName);

private:
    QString ComponentReference(const TComponent* Component) const;
    void ObjectToKey(QObject* Object);
    void KeyToObject(QObject* Instance, const QMetaProperty& Prop);

    TComponent* FOwner;
    TrsKeyWrapper& FKey;
    bool FNotRestoreCount = false;
};

// "[a,b]": the names of the set's elements below ordinal 31, in ordinal
// order; "[]" for the empty set.
QString SetToString(const QObject* Instance, const QMetaProperty& PropInfo);
// The reverse. An empty text leaves the property alone, and so does a text
// naming something that is no element of the set (instead of setting a
// bogus bit). Fields are not trimmed.
void StringToSet(QObject* Instance, const QMetaProperty& PropInfo, const QString& Text);
