// TNxTrackBarItem: a slider setting item holding an integer Position kept
// within Min..Max by every write. Its value text is the position in plain
// decimal; writing a text that is not a 32-bit integer raises EConvertError
// "'TEXT' is not a valid integer value" and changes nothing. Only a changed
// position is stored and notified. Not thread-safe.
#pragma once

#include "app/TNxPropertyItem.h"

class TNxTrackBarItem : public TNxPropertyItem {
    Q_OBJECT
    Q_PROPERTY(int Position READ Position WRITE SetPosition)
    Q_PROPERTY(int Min READ Min WRITE SetMin)
    Q_PROPERTY(int Max READ Max WRITE SetMax)
    Q_PROPERTY(int Margin READ Margin WRITE SetMargin)
    Q_PROPERTY(bool ShowText READ ShowText WRITE SetShowText)
    Q_PROPERTY(QString TextAfter READ TextAfter WRITE SetTextAfter)

public:
    using TNxPropertyItem::TNxPropertyItem;

    double GetAsFloat() const override;
    int GetAsInteger() const override;
    QString GetAsString() const override;
    void SetAsFloat(double value) override;
    void SetAsInteger(int value) override;
    void SetAsString(const QString& value) override;

    int Position() const { return FPosition; }
    void SetPosition(int position);
    int Min() const { return FMin; }
    // Taken only when 0 <= MIN < Max; a position below Min is raised to it.
    void SetMin(int min);
    int Max() const { return FMax; }
    // Taken only when MAX > Min; a position above Max is lowered to it.
    void SetMax(int max);

    int Margin() const { return FMargin; }
    void SetMargin(int margin) { FMargin = margin; }
    bool ShowText() const { return FShowText; }
    void SetShowText(bool showText) { FShowText = showText; }
    QString TextAfter() const { return FTextAfter; }
    void SetTextAfter(const QString& text) { FTextAfter = text; }

private:
    int FPosition = 0;
    int FMin = 0;
    int FMax = 100;
    int FMargin = 6;
    bool FShowText = true;
    QString FTextAfter;
};
