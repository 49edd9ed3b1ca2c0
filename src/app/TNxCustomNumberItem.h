// TNxCustomNumberItem: a text item that also holds a floating value. No
// catalogue setting uses one; the template writer reads its Value like any
// text item's. Writing Value stores the text unchanged and takes its number
// (0 when it does not parse); writing AsFloat or AsInteger stores the number
// and its locale text, kept within Min..Max when Max > Min. FormatMask is
// kept for the view and not applied. Not thread-safe.
#pragma once

#include "app/NxTypes.h"
#include "app/TNxTextItem.h"

class TNxCustomNumberItem : public TNxTextItem {
    Q_OBJECT
    Q_PROPERTY(QString FormatMask READ FormatMask WRITE SetFormatMask)
    Q_PROPERTY(double Min READ Min WRITE SetMin)
    Q_PROPERTY(double Max READ Max WRITE SetMax)
    Q_PROPERTY(NxTypes::TNxEditOptions EditOptions READ EditOptions WRITE SetEditOptions)

public:
    using TNxTextItem::TNxTextItem;

    double GetAsFloat() const override;
    int GetAsInteger() const override;
    QString GetAsString() const override;
    void SetAsFloat(double value) override;
    void SetAsInteger(int value) override;
    void SetAsString(const QString& value) override;

    QString FormatMask() const { return FFormatMask; }
    void SetFormatMask(const QString& mask) { FFormatMask = mask; }
    double Min() const { return FMin; }
    void SetMin(double min) { FMin = min; }
    double Max() const { return FMax; }
    void SetMax(double max) { FMax = max; }
    TNxEditOptions EditOptions() const { return FEditOptions; }
    void SetEditOptions(TNxEditOptions options) { FEditOptions = options; }

private:
    double FNumber = 0.0;
    QString FFormatMask;
    double FMin = 0.0;
    double FMax = 0.0;
    TNxEditOptions FEditOptions;
};
