// A component publishing one property of every kind, for the property
// access tests.
#pragma once

#include "framework/Component.h"
#include "framework/TStrings.h"

#include <QPoint>
#include <QVariant>

class TPropertySample : public TComponent {
    Q_OBJECT
    Q_PROPERTY(int Count MEMBER FCount)
    Q_PROPERTY(char Letter MEMBER FLetter)
    Q_PROPERTY(QChar Wide MEMBER FWide)
    Q_PROPERTY(TShade Shade MEMBER FShade)
    Q_PROPERTY(bool Flag MEMBER FFlag)
    Q_PROPERTY(double Ratio MEMBER FRatio)
    Q_PROPERTY(QString Caption MEMBER FCaption)
    Q_PROPERTY(QByteArray Bytes MEMBER FBytes)
    Q_PROPERTY(TSampleOptions Options READ Options WRITE SetOptions)
    Q_PROPERTY(TStrings* Lines READ Lines WRITE SetLines)
    Q_PROPERTY(TComponent* Link MEMBER FLink)
    Q_PROPERTY(QVariant Data MEMBER FData)
    Q_PROPERTY(qint64 Big MEMBER FBig)
    Q_PROPERTY(QPoint Point MEMBER FPoint)
    Q_PROPERTY(int Fixed READ Fixed)

public:
    enum TShade { shLight, shMedium, shDark };
    Q_ENUM(TShade)
    enum TSampleOption { soFirst = 0x1, soSecond = 0x2, soFourth = 0x8, soBoth = 0x3 };
    Q_DECLARE_FLAGS(TSampleOptions, TSampleOption)
    Q_FLAG(TSampleOptions)

    using TComponent::TComponent;

    TStrings* Lines() const { return const_cast<TStrings*>(&FLines); }
    void SetLines(TStrings* lines) { FLines.Assign(*lines); }
    int Fixed() const { return 7; }
    TSampleOptions Options() const { return FOptions; }
    void SetOptions(TSampleOptions options) { FOptions = options; }

    int FCount = 0;
    char FLetter = 'a';
    QChar FWide = u'w';
    TShade FShade = shLight;
    bool FFlag = false;
    double FRatio = 0;
    QString FCaption;
    QByteArray FBytes;
    TSampleOptions FOptions;
    TStrings FLines;
    TComponent* FLink = nullptr;
    QVariant FData;
    qint64 FBig = 0;
    QPoint FPoint;
};

// A descendant that redeclares Count under another letter case.
class TPropertySampleChild : public TPropertySample {
    Q_OBJECT
    Q_PROPERTY(QString count MEMBER FCountText)

public:
    using TPropertySample::TPropertySample;
    QString FCountText;
};
