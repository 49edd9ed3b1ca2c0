// TNxPropertyItem: the base of every setting item of the catalogue. An item
// is a component owned by the form; it belongs to at most one inspector and
// sits under at most one parent item (both plain links, cleared when the
// other side is destroyed). Its value is text (Value) with typed views
// (the virtual As* accessors, which kinds override); every value write ends
// by telling the inspector. Value only forwards to AsString. Not thread-safe.
#pragma once

#include "framework/Component.h"

#include <QDateTime>
#include <QString>

class TNextInspector;

class TNxPropertyItem : public TComponent {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(QString Value READ Value WRITE SetValue)
    Q_PROPERTY(QString DefaultValue READ DefaultValue WRITE SetDefaultValue)
    Q_PROPERTY(QString EmptyValue READ EmptyValue WRITE SetEmptyValue)
    Q_PROPERTY(TItemOptions Options READ Options WRITE SetOptions)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
    Q_PROPERTY(bool ShowPreview READ ShowPreview WRITE SetShowPreview)
    Q_PROPERTY(int ParentIndex READ ParentIndex)

public:
    enum TItemOption { itoAutoApply = 0x1, itoBoldNonDefault = 0x2 };
    Q_DECLARE_FLAGS(TItemOptions, TItemOption)
    Q_FLAG(TItemOptions)

    explicit TNxPropertyItem(TComponent* owner = nullptr);

    // Typed access; the base getters give false, invalid, 0, 0 and empty.
    virtual bool GetAsBoolean() const;
    virtual QDateTime GetAsDateTime() const;
    virtual double GetAsFloat() const;
    virtual int GetAsInteger() const;
    virtual QString GetAsString() const;

    // Called by the inspector when in-place editing of this item starts.
    virtual void EditingStarted() { }

    // The base setters store nothing and only notify.
    virtual void SetAsBoolean(bool value);
    virtual void SetAsDateTime(const QDateTime& value);
    virtual void SetAsFloat(double value);
    virtual void SetAsInteger(int value);
    virtual void SetAsString(const QString& value);

    QString Value() const { return GetAsString(); }
    void SetValue(const QString& value) { SetAsString(value); }

    QString Caption() const { return FCaption; }
    void SetCaption(const QString& caption) { FCaption = caption; }
    // DefaultValue and EmptyValue serve the view only; they never change Value.
    QString DefaultValue() const { return FDefaultValue; }
    void SetDefaultValue(const QString& value) { FDefaultValue = value; }
    QString EmptyValue() const { return FEmptyValue; }
    void SetEmptyValue(const QString& value) { FEmptyValue = value; }
    TItemOptions Options() const { return FOptions; }
    void SetOptions(TItemOptions options) { FOptions = options; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool readOnly) { FReadOnly = readOnly; }
    bool ShowPreview() const { return FShowPreview; }
    void SetShowPreview(bool showPreview) { FShowPreview = showPreview; }

    TNextInspector* Inspector() const { return FInspector; }
    TNxPropertyItem* ParentItem() const { return FParentItem; }
    // The parent's index in the inspector's flat list; -1 at the top level.
    int ParentIndex() const;

protected:
    // Tells the inspector, if any, that the value changed.
    void Changed();
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TNextInspector;

    QString FCaption;
    QString FDefaultValue;
    QString FEmptyValue;
    TItemOptions FOptions;
    bool FReadOnly = false;
    bool FShowPreview = false;
    TNextInspector* FInspector = nullptr;
    TNxPropertyItem* FParentItem = nullptr;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TNxPropertyItem::TItemOptions)
