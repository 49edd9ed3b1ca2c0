// Components publishing properties of every kind and a collection, for the
// property transfer tests.
#pragma once

#include "framework/Component.h"
#include "framework/TCollection.h"
#include "framework/TStrings.h"

#include <QVariant>

class TTransferItem : public TCollectionItem {
    Q_OBJECT
    Q_PROPERTY(QString Caption MEMBER FCaption)
    Q_PROPERTY(int Width MEMBER FWidth)

public:
    using TCollectionItem::TCollectionItem;
    QString FCaption;
    int FWidth = 0;
};

class TTransferSample : public TComponent {
    Q_OBJECT
    Q_PROPERTY(int Count MEMBER FCount)
    Q_PROPERTY(bool Checked MEMBER FChecked)
    Q_PROPERTY(TShade Shade MEMBER FShade)
    Q_PROPERTY(TSampleOptions Options READ Options WRITE SetOptions)
    Q_PROPERTY(double Ratio MEMBER FRatio)
    Q_PROPERTY(QString Caption MEMBER FCaption)
    Q_PROPERTY(qint64 Big MEMBER FBig)
    Q_PROPERTY(QVariant Data MEMBER FData)
    Q_PROPERTY(TStrings* Lines READ Lines WRITE SetLines)
    Q_PROPERTY(TComponent* Link MEMBER FLink)
    Q_PROPERTY(TCollection* Columns READ Columns)

public:
    enum TShade { shLight, shMedium, shDark };
    Q_ENUM(TShade)
    enum TSampleOption { soFirst = 0x1, soSecond = 0x2, soFourth = 0x8 };
    Q_DECLARE_FLAGS(TSampleOptions, TSampleOption)
    Q_FLAG(TSampleOptions)

    explicit TTransferSample(TComponent* owner = nullptr)
        : TComponent(owner)
        , FColumns([] { return new TTransferItem; })
    {
    }

    TSampleOptions Options() const { return FOptions; }
    void SetOptions(TSampleOptions options) { FOptions = options; }
    TStrings* Lines() const { return const_cast<TStrings*>(&FLines); }
    void SetLines(TStrings* lines) { FLines.Assign(*lines); }
    TCollection* Columns() const { return const_cast<TCollection*>(&FColumns); }
    TTransferItem* Column(int index) const { return static_cast<TTransferItem*>(FColumns.Items(index)); }

    int FCount = 0;
    bool FChecked = false;
    TShade FShade = shLight;
    TSampleOptions FOptions;
    double FRatio = 0;
    QString FCaption;
    qint64 FBig = 0;
    QVariant FData;
    TStrings FLines;
    TComponent* FLink = nullptr;
    TCollection FColumns;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TTransferSample::TSampleOptions)
