// Published properties kept in a buffer key: WritePersistent/ReadPersistent
// and WriteComponent/ReadComponent.
#include "storage/TrsException.h"
#include "storage/TrsStorage.h"

#include <gtest/gtest.h>

#include <QObject>

namespace {

class TSampleFont : public QObject {
    Q_OBJECT
    Q_PROPERTY(int Size READ Size WRITE SetSize)

public:
    int Size() const { return FSize; }
    void SetSize(int value) { FSize = value; }

private:
    int FSize = 8;
};

class TSample : public QObject {
    Q_OBJECT
    Q_PROPERTY(int Count READ Count WRITE SetCount)
    Q_PROPERTY(double Ratio READ Ratio WRITE SetRatio)
    Q_PROPERTY(QString Title READ Title WRITE SetTitle)
    Q_PROPERTY(qint64 Big READ Big WRITE SetBig)
    Q_PROPERTY(bool Flag READ Flag WRITE SetFlag)
    Q_PROPERTY(TMode Mode READ Mode WRITE SetMode)
    Q_PROPERTY(TSampleFont* Font READ Font)
    Q_PROPERTY(int Derived READ Count)

public:
    enum TMode { mdOff, mdSlow, mdFast };
    Q_ENUM(TMode)

    int Count() const { return FCount; }
    void SetCount(int value) { FCount = value; }
    double Ratio() const { return FRatio; }
    void SetRatio(double value) { FRatio = value; }
    QString Title() const { return FTitle; }
    void SetTitle(const QString& value) { FTitle = value; }
    qint64 Big() const { return FBig; }
    void SetBig(qint64 value) { FBig = value; }
    bool Flag() const { return FFlag; }
    void SetFlag(bool value) { FFlag = value; }
    TMode Mode() const { return FMode; }
    void SetMode(TMode value) { FMode = value; }
    TSampleFont* Font() { return &FFont; }

private:
    int FCount = 0;
    double FRatio = 0;
    QString FTitle;
    qint64 FBig = 0;
    bool FFlag = false;
    TMode FMode = mdOff;
    TSampleFont FFont;
};

class TOtherSample : public QObject {
    Q_OBJECT
};

} // namespace

TEST(KeyValueProperties, PersistentPropertiesRoundTripIncludingNestedObjects)
{
    TrsStorage storage;
    TSample written;
    written.setObjectName("first");
    written.SetCount(-7);
    written.SetRatio(2.75);
    written.SetTitle(QStringLiteral("Ωmega text"));
    written.SetBig(qint64(1) << 50);
    written.SetFlag(true);
    written.SetMode(TSample::mdFast);
    written.Font()->SetSize(14);
    storage.WritePersistent("S\\props", &written);
    EXPECT_EQ(storage.KeyType("S\\props"), ktBuffer);

    TSample read;
    EXPECT_TRUE(storage.ReadPersistent("S\\props", &read));
    EXPECT_EQ(read.objectName(), "first");
    EXPECT_EQ(read.Count(), -7);
    EXPECT_EQ(read.Ratio(), 2.75);
    EXPECT_EQ(read.Title(), QStringLiteral("Ωmega text"));
    EXPECT_EQ(read.Big(), qint64(1) << 50);
    EXPECT_TRUE(read.Flag());
    EXPECT_EQ(read.Mode(), TSample::mdFast);
    EXPECT_EQ(read.Font()->Size(), 14);

    EXPECT_FALSE(storage.ReadPersistent("S\\missing", &read));
    storage.WriteString("S\\text", "no stream");
    EXPECT_FALSE(storage.ReadPersistent("S\\text", &read));
}

TEST(KeyValueProperties, ComponentStreamsKeepTheirClass)
{
    TrsStorage storage;
    TSample written;
    written.SetCount(3);
    storage.WriteComponent("c", &written);
    TSample read;
    EXPECT_EQ(storage.ReadComponent("c", &read), &read);
    EXPECT_EQ(read.Count(), 3);
    EXPECT_EQ(storage.ReadComponent("missing", &read), nullptr);
    TOtherSample other;
    EXPECT_THROW(storage.ReadComponent("c", &other), TrsException);
}

TEST(KeyValueProperties, DamagedStreamsRaiseAndNeverReadPastTheBytes)
{
    TrsStorage storage;
    TSample written;
    written.SetTitle("some title");
    written.SetCount(5);
    storage.WritePersistent("p", &written);
    const QByteArray whole = storage.KeyWrapper().PKeyItem()->Value.VBuffer;
    for (qsizetype cut = 1; cut < whole.size(); ++cut) {
        storage.WriteBuffer("p", whole.constData(), int(cut));
        TSample read;
        EXPECT_THROW(storage.ReadPersistent("p", &read), TrsException) << cut;
    }
    QByteArray unknownTag = whole;
    unknownTag[1 + unknownTag.at(0)] = char(99);
    storage.WriteBuffer("p", unknownTag.constData(), int(unknownTag.size()));
    TSample read;
    EXPECT_THROW(storage.ReadPersistent("p", &read), TrsException);
}

#include "KeyValuePropertiesTest.moc"
