// TNxTextItem: a setting item holding one text (also the read-only group
// headers). Value is stored and read unchanged; the typed views convert that
// text, giving 0 (or an invalid date-time) when it does not parse.
// PasswordChar masks the text in the view only. Not thread-safe.
#pragma once

#include "app/TNxCustomTextItem.h"

#include <QChar>

class TNxTextItem : public TNxCustomTextItem {
    Q_OBJECT
    Q_PROPERTY(QChar PasswordChar READ PasswordChar WRITE SetPasswordChar)
    Q_PROPERTY(TAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(int MaxLength READ MaxLength WRITE SetMaxLength)
    Q_PROPERTY(TWrapKind WrapKind READ WrapKind WRITE SetWrapKind)

public:
    enum TAlignment { taLeftJustify, taRightJustify, taCenter };
    Q_ENUM(TAlignment)
    enum TWrapKind { wkNone, wkEllipsis, wkWordWrap };
    Q_ENUM(TWrapKind)

    using TNxCustomTextItem::TNxCustomTextItem;

    QDateTime GetAsDateTime() const override;
    double GetAsFloat() const override;
    int GetAsInteger() const override;
    QString GetAsString() const override;
    void SetAsDateTime(const QDateTime& value) override;
    void SetAsFloat(double value) override;
    void SetAsInteger(int value) override;
    void SetAsString(const QString& value) override;

    QChar PasswordChar() const { return FPasswordChar; }
    void SetPasswordChar(QChar passwordChar) { FPasswordChar = passwordChar; }
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment alignment) { FAlignment = alignment; }
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int maxLength) { FMaxLength = maxLength; }
    TWrapKind WrapKind() const { return FWrapKind; }
    void SetWrapKind(TWrapKind wrapKind) { FWrapKind = wrapKind; }

private:
    QString FValue;
    QChar FPasswordChar;
    TAlignment FAlignment = taLeftJustify;
    int FMaxLength = 0;
    TWrapKind FWrapKind = wkNone;
};
