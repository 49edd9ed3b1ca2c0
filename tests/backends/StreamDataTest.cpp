#include "TestPrinters.h"
#include "backends/TrsXMLData.h"
#include "framework/Exception.h"
#include "framework/PropertyAccess.h"
#include "storage/TrsException.h"
#include "storage/TrsStorage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

QByteArray ReadFile(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void WriteFile(const QString& name, const QByteArray& bytes)
{
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray Xml(const char* key, int value)
{
    return QStringLiteral("<DOCUMENT><%1 value=\"%2\"/></DOCUMENT>")
        .arg(QLatin1StringView(key))
        .arg(value)
        .toLatin1();
}

// Restores an environment variable when it goes out of scope.
class TEnvGuard {
public:
    explicit TEnvGuard(const char* name)
        : FName(name)
        , FHad(qEnvironmentVariableIsSet(name))
        , FValue(qgetenv(name))
    {
    }
    ~TEnvGuard()
    {
        if (FHad)
            qputenv(FName, FValue);
        else
            qunsetenv(FName);
    }

private:
    const char* FName;
    bool FHad;
    QByteArray FValue;
};

class StreamData : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dir.isValid());
        Data->SetFileDir(fdCustom);
        Data->SetOptions({});
        Data->SetFileName(Dir.filePath("t.xml"));
        Storage->SetStorageData(Data);
    }

    QTemporaryDir Dir;
    TComponent Owner;
    TrsStorage* Storage = new TrsStorage(&Owner);
    TrsXMLData* Data = new TrsXMLData(&Owner);
};

// Exposes the buffered writer: writes what the test queues.
class TWriterProbe : public TrsStreamData {
public:
    using TrsStreamData::TrsStreamData;
    std::function<void(TWriterProbe&)> Script;
    using TrsStreamData::BufferFlush;
    using TrsStreamData::BufferWriteAnsi;
    using TrsStreamData::BufferWriteAsciiPrefix;
    using TrsStreamData::BufferWriteChar;
    using TrsStreamData::BufferWriteFmt;
    using TrsStreamData::BufferWriteWide;

protected:
    void WriteToStream(QIODevice& Stream) override
    {
        TrsStreamData::WriteToStream(Stream);
        BufferReset();
        Script(*this);
        BufferFlush();
    }
};

// A device that accepts LIMIT bytes and then fails every write.
class TFailingDevice : public QIODevice {
public:
    explicit TFailingDevice(qint64 limit)
        : FLimit(limit)
    {
        open(QIODevice::WriteOnly);
    }
    qint64 Written = 0;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 size) override
    {
        if (Written + size > FLimit) {
            setErrorString("device full");
            return -1;
        }
        Written += size;
        return size;
    }

private:
    qint64 FLimit;
};

class TXmlProbe : public TrsXMLData {
public:
    using TrsXMLData::TrsXMLData;
    using TrsXMLData::WriteToStream;
};

} // namespace

TEST(StreamDataFileName, ResolvesEveryFolderKind)
{
    TrsXMLData data;
    const QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    const QString appDir = QFileInfo(exe).absolutePath();
    const QString exeBase = QFileInfo(exe).fileName();

    EXPECT_EQ(data.FullFileName(), appDir + '/' + exeBase + ".xml"); // defaults: fdApplication, doAutoName
    data.SetFileName("a.cfg");
    EXPECT_EQ(
        data.FullFileName(), appDir + '/' + exeBase + ".cfg"); // the extension still comes from FileName
    data.SetOptions({});
    data.SetFileName("cfg/Settings.XML");
    EXPECT_EQ(data.FullFileName(), appDir + "/cfg/Settings.XML");
    data.SetFileName("/x/name.cfg");
    EXPECT_EQ(data.FullFileName(), appDir + "/name.cfg"); // an absolute name brings only its name

    data.SetFileDir(fdCustom);
    EXPECT_EQ(data.FullFileName(), "/x/name.cfg");
    data.SetFileName("Settings.XML");
    EXPECT_EQ(data.FullFileName(), "Settings.XML");
    data.SetFileName("");
    EXPECT_EQ(data.FullFileName(), ".xml");
    data.SetOptions({ doAutoName });
    data.SetFileName("/t/old.xml");
    EXPECT_EQ(data.FullFileName(), "/t/" + exeBase + ".xml");

    data.SetOptions({});
    data.SetFileName("s.xml");
    data.SetFileDir(fdWindows);
    EXPECT_EQ(data.FullFileName(), "/etc/s.xml");

    TEnvGuard xdg("XDG_CONFIG_HOME"), home("HOME");
    data.SetFileDir(fdUserProfile);
    qputenv("XDG_CONFIG_HOME", "/cfg/home/");
    EXPECT_EQ(data.FullFileName(), "/cfg/home/s.xml");
    qputenv("XDG_CONFIG_HOME", "relative");
    qputenv("HOME", "/home/u");
    EXPECT_EQ(data.FullFileName(), "/home/u/.config/s.xml");
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("HOME");
    EXPECT_EQ(data.FullFileName(), "s.xml");
    data.SetOptions({ doAutoName });
    EXPECT_EQ(data.FullFileName(), exeBase + ".xml");
}

TEST(StreamDataFileName, ApplicationFolderIsTheSameWithAnApplicationObject)
{
    TrsXMLData data;
    const QString without = data.FullFileName();
    int argc = 1;
    char name[] = "backends_tests";
    char* argv[] = { name, nullptr };
    QCoreApplication app(argc, argv);
    EXPECT_EQ(data.FullFileName(), without);
}

TEST_F(StreamData, MissingOrEmptyFileLoadsNothingAndRaisesNothing)
{
    Storage->WriteInteger("k", 1);
    EXPECT_NO_THROW(Storage->Load());
    EXPECT_EQ(Storage->KeyItemCount(), 0);
    WriteFile(Data->FullFileName(), "");
    Storage->WriteInteger("k", 1);
    EXPECT_NO_THROW(Storage->Load());
    EXPECT_EQ(Storage->KeyItemCount(), 0);
}

// The work buffer keeps its memory from load to load; nothing of a longer
// file loaded before may show through a shorter one.
TEST_F(StreamData, ShorterFileAfterALongerOneLoadsOnlyItsOwnKeys)
{
    QByteArray longer = "<DOCUMENT>";
    for (int i = 0; i < 2000; ++i)
        longer += "<k" + QByteArray::number(i) + " value=\"" + QByteArray::number(i) + "\"/>";
    WriteFile(Data->FullFileName(), longer + "</DOCUMENT>");
    Storage->Load();
    ASSERT_EQ(Storage->KeyItemCount(), 2000);
    for (const QByteArray& shorter : { Xml("only", 7), QByteArray("<DOCUMENT><a>1</a>") }) {
        WriteFile(Data->FullFileName(), shorter);
        Storage->Load();
        EXPECT_EQ(Storage->KeyItemCount(), 1) << shorter.constData();
    }
    EXPECT_EQ(Storage->ReadInteger("a", 0), 1);
}

TEST_F(StreamData, InternalFileLoadingModes)
{
    const QString internal = Dir.filePath("internal.xml");
    WriteFile(internal, Xml("fromInternal", 1));
    Data->SetInternalFileName(internal);
    EXPECT_EQ(Data->InternalFileName(), internal);
    EXPECT_EQ(Data->InternalFile().data(), Xml("fromInternal", 1));

    Data->SetInternalFileLoad(iflNoRealFile);
    Storage->Load();
    EXPECT_TRUE(Storage->KeyExist("fromInternal"));
    WriteFile(Data->FullFileName(), Xml("fromReal", 2));
    Storage->Load();
    EXPECT_TRUE(Storage->KeyExist("fromReal"));
    EXPECT_FALSE(Storage->KeyExist("fromInternal"));
    Data->SetInternalFileLoad(iflAlways);
    Storage->Load();
    EXPECT_TRUE(Storage->KeyExist("fromInternal"));
    Data->SetInternalFileLoad(iflNone);
    Storage->Load();
    EXPECT_TRUE(Storage->KeyExist("fromReal"));

    Data->SetInternalFileName(Dir.filePath("absent.xml"));
    EXPECT_EQ(Data->InternalFileName(), "");
    EXPECT_EQ(Data->InternalFile().size(), 0);
}

TEST_F(StreamData, InternalFileStaysAsLoadedAfterAnInPlaceParse)
{
    QByteArray bigEndian("\xFE\xFF");
    for (const char c : Xml("k", 5))
        bigEndian.append('\0').append(c);
    WriteFile(Dir.filePath("be.xml"), bigEndian);
    Data->SetInternalFileName(Dir.filePath("be.xml"));
    Data->SetInternalFileLoad(iflAlways);
    Storage->Load();
    EXPECT_EQ(Storage->ReadInteger("k", 0), 5);
    EXPECT_EQ(Data->InternalFile().data(), bigEndian);
}

TEST_F(StreamData, LoadHandlerSuppliesTheBytes)
{
    WriteFile(Data->FullFileName(), Xml("fromFile", 1));
    Data->SetOnLoadFromStream([](TObject*, QBuffer& stream, bool& doStandard) {
        EXPECT_FALSE(doStandard);
        stream.write(Xml("fromHandler", 2));
    });
    Storage->Load();
    EXPECT_EQ(Storage->ReadInteger("fromHandler", 0), 2);
    EXPECT_FALSE(Storage->KeyExist("fromFile"));

    Data->SetOnLoadFromStream([](TObject*, QBuffer&, bool& doStandard) { doStandard = true; });
    Storage->Load();
    EXPECT_TRUE(Storage->KeyExist("fromFile"));
}

TEST_F(StreamData, SaveHandlerTakesTheBytesAndNoFileIsWritten)
{
    QByteArray taken;
    Data->SetOnSaveToStream([&](TObject* sender, QBuffer& stream, bool& doStandard) {
        EXPECT_EQ(sender, Data);
        EXPECT_FALSE(doStandard);
        taken = stream.readAll();
    });
    Storage->WriteInteger("k", 1);
    Storage->Save();
    EXPECT_TRUE(taken.contains("<k>1</k>"));
    EXPECT_FALSE(QFile::exists(Data->FullFileName()));
}

TEST_F(StreamData, SaveCreatesFoldersOnlyWhenAsked)
{
    Data->SetFileName(Dir.filePath("a/b/c.xml"));
    Storage->WriteInteger("k", 1);
    try {
        Storage->Save();
        FAIL() << "saved into a missing folder";
    } catch (const EFCreateError& e) {
        EXPECT_TRUE(e.Message().startsWith("Cannot create file \"" + Dir.filePath("a/b/c.xml") + "\". "))
            << e.Message().toStdString();
    }
    Data->SetOptions({ doAutoCreateDir });
    Storage->Save();
    EXPECT_TRUE(ReadFile(Dir.filePath("a/b/c.xml")).contains("<k>1</k>"));
}

TEST_F(StreamData, FailedSaveLeavesThePreviousFileWhole)
{
    Storage->WriteInteger("k", 1);
    Storage->Save();
    const QByteArray before = ReadFile(Data->FullFileName());
    Storage->WriteInteger("bad name", 2);
    EXPECT_THROW(Storage->Save(), TrsException);
    EXPECT_EQ(ReadFile(Data->FullFileName()), before);
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files), QStringList { "t.xml" });
}

TEST_F(StreamData, InternalFileRecordRoundTripsThroughLzrw)
{
    QByteArray content;
    for (int i = 0; i < 20000; ++i)
        content += QByteArray::number(i % 97) + ',';
    WriteFile(Dir.filePath("in.xml"), content);
    Data->SetInternalFileName(Dir.filePath("in.xml"));

    QBuffer record;
    record.open(QIODevice::ReadWrite);
    Data->WriteInternalFile(record);
    const QByteArray bytes = record.data();
    ASSERT_GT(bytes.size(), 6);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bytes[1], 1);
    EXPECT_EQ(qFromLittleEndian<qint32>(bytes.constData() + 2), bytes.size() - 6);
    EXPECT_LT(bytes.size(), content.size() / 2);

    TrsXMLData other;
    record.seek(0);
    other.ReadInternalFile(record);
    EXPECT_EQ(other.InternalFile().data(), content);
    EXPECT_EQ(other.InternalFile().pos(), 0);

    // A length beyond the record, and a record cut short, are refused and
    // leave the internal file as it was.
    for (const QByteArray& damaged : { QByteArray(bytes).replace(2, 4, QByteArray("\xFF\xFF\xFF\x7F", 4)),
             bytes.left(bytes.size() - 1), bytes.left(4) }) {
        QBuffer source;
        source.setData(damaged);
        source.open(QIODevice::ReadOnly);
        EXPECT_THROW(other.ReadInternalFile(source), TrsException);
        EXPECT_EQ(other.InternalFile().data(), content);
    }
}

namespace {

// The bytes a save writes when the writer does SCRIPT.
QByteArray SavedBy(const std::function<void(TWriterProbe&)>& script)
{
    TComponent owner;
    auto* storage = new TrsStorage(&owner);
    auto* probe = new TWriterProbe(&owner);
    storage->SetStorageData(probe);
    QByteArray written;
    probe->SetOnSaveToStream([&](TObject*, QBuffer& stream, bool&) { written = stream.data(); });
    probe->Script = script;
    storage->Save();
    return written;
}

} // namespace

TEST(StreamDataWriter, BufferedWritesKeepTheirOrderAcrossTheBuffer)
{
    const QByteArray first(4000, 'a');
    const QString formatted = QString(300, u'b') + QChar(0xE9);
    const QString wide = QString(5000, u'c');
    const QByteArray written = SavedBy([&](TWriterProbe& w) {
        w.BufferWriteAnsi(first);
        // An estimate below the real length must not overflow the buffer.
        w.BufferWriteFmt(1, "%s-%d", formatted.toUtf8().constData(), 42);
        w.BufferWriteChar(u'\u20AC');
        w.BufferWriteWide(wide);
        w.BufferWriteAnsi("");
        w.BufferWriteFmt(5000, "%s", "z");
    });
    QByteArray expected = first + formatted.toLatin1() + "-42" + QByteArray("\xAC\x20", 2);
    for (int i = 0; i < wide.size(); ++i)
        expected += QByteArray("c\0", 2);
    expected += "z";
    EXPECT_EQ(written, expected);
}

// (length of the text, index of its first unit beyond ASCII or -1), after
// 4000 bytes already in the 4096-byte buffer.
class StreamDataAsciiPrefix : public ::testing::TestWithParam<std::pair<int, int>> { };

TEST_P(StreamDataAsciiPrefix, WritesUpToTheFirstUnitBeyondAsciiAcrossTheBuffer)
{
    const auto [length, stop] = GetParam();
    QString text;
    for (int i = 0; i < length; ++i)
        text += QChar(char16_t(i == stop ? 0x80 + i % 0x700 : 0x20 + i % 0x5F));
    qsizetype taken = -1;
    const QByteArray written = SavedBy([&](TWriterProbe& w) {
        w.BufferWriteAnsi(QByteArray(4000, 'a'));
        taken = w.BufferWriteAsciiPrefix(text);
        w.BufferWriteAnsi("|");
    });
    const qsizetype expected = stop < 0 ? length : stop;
    EXPECT_EQ(taken, expected);
    EXPECT_EQ(written, QByteArray(4000, 'a') + text.first(expected).toLatin1() + "|");
}

INSTANTIATE_TEST_SUITE_P(Stops, StreamDataAsciiPrefix,
    ::testing::Values(std::pair(0, -1), std::pair(15, -1), std::pair(16, 0), std::pair(40, 15),
        std::pair(40, 16), std::pair(40, 17), std::pair(200, 95), std::pair(200, 96), std::pair(9000, -1),
        std::pair(9000, 8191), std::pair(9000, 4200)));

TEST(StreamDataWriter, DeviceThatFailsMidwayRaisesTheStreamError)
{
    TComponent owner;
    auto* storage = new TrsStorage(&owner);
    auto* data = new TXmlProbe(&owner);
    storage->SetStorageData(data);
    for (int i = 0; i < 2000; ++i)
        storage->WriteInteger(QStringLiteral("s\\k%1").arg(i), i);
    data->AttachStorage(storage);
    TFailingDevice device(5000);
    try {
        data->WriteToStream(device);
        FAIL() << "the failure went unreported";
    } catch (const TrsException& e) {
        EXPECT_EQ(e.Message(), "Storage library error: Can't write the storage stream: device full.");
    }
    EXPECT_LE(device.Written, 5000);

    TFailingDevice small(3);
    EXPECT_THROW(data->WriteInternalFile(small), TrsException);
}

TEST(StreamDataProperties, FileNamesPlacementAndEncodingArePublished)
{
    TrsXMLData data;
    const QMetaProperty fileDir = GetPropInfo(&data, u"FileDir");
    const QMetaProperty internalLoad = GetPropInfo(&data, u"InternalFileLoad");
    ASSERT_EQ(PropKind(fileDir), tkEnumeration);
    ASSERT_EQ(PropKind(internalLoad), tkEnumeration);
    EXPECT_EQ(
        GetEnumNames(fileDir), (QStringList { "fdCustom", "fdApplication", "fdWindows", "fdUserProfile" }));
    EXPECT_TRUE(SetOrdProp(&data, fileDir, GetEnumValue(fileDir, u"fdUserProfile")));
    EXPECT_EQ(data.FileDir(), fdUserProfile);
    EXPECT_TRUE(SetOrdProp(&data, internalLoad, 2));
    EXPECT_EQ(data.InternalFileLoad(), iflNoRealFile);
    EXPECT_TRUE(SetStrProp(&data, GetPropInfo(&data, u"FileName"), "Mirovane3Settings.XML"));
    EXPECT_EQ(data.FileName(), "Mirovane3Settings.XML");
    EXPECT_TRUE(SetOrdProp(&data, GetPropInfo(&data, u"Unicode"), 1));
    EXPECT_TRUE(data.Unicode());
}

TEST(StreamDataProperties, OptionSetsAndTheTemplateArePublishedUnderTheirNames)
{
    TrsXMLData data;
    const QMetaProperty options = GetPropInfo(&data, u"Options");
    ASSERT_EQ(PropKind(options), tkSet);
    EXPECT_EQ(GetSetElementName(options, 1), "doAutoCreateDir");
    EXPECT_EQ(GetOrdProp(&data, options), 1) << "the default holds doAutoName";
    EXPECT_TRUE(SetOrdProp(&data, options, 2));
    EXPECT_EQ(data.Options(), TrsStreamDataOptions { doAutoCreateDir });

    const QMetaProperty xmlOptions = GetPropInfo(&data, u"XMLOptions");
    ASSERT_EQ(PropKind(xmlOptions), tkSet);
    EXPECT_EQ(GetSetElementOrdinals(xmlOptions), (QList<int> { 0, 1, 2, 3, 4 }));
    EXPECT_EQ(GetSetElementName(xmlOptions, 4), "doPrefixInHexStr");
    EXPECT_EQ(GetSetElementOrdinal(xmlOptions, u"doEncodeCRLF"), 3);
    EXPECT_TRUE(SetOrdProp(&data, xmlOptions, 0x12));
    EXPECT_EQ(data.XMLOptions(), (TrsXMLDataOptions { doGetTemplateOnLoad, doPrefixInHexStr }));

    const QMetaProperty compact = GetPropInfo(&data, u"CompactOptions");
    ASSERT_EQ(PropKind(compact), tkSet);
    EXPECT_EQ(GetSetElementName(compact, 2), "coEOL");
    EXPECT_EQ(GetOrdProp(&data, compact), 0);
    data.SetCompactOptions({ coHexStr, coIndent });
    EXPECT_EQ(GetOrdProp(&data, compact), 3);

    const QMetaProperty tmpl = GetPropInfo(&data, u"Template");
    ASSERT_EQ(PropKind(tmpl), tkClass);
    auto* lines = qobject_cast<TStrings*>(GetObjectProp(&data, tmpl));
    ASSERT_NE(lines, nullptr);
    EXPECT_EQ(lines->List(), TrsXMLData::DefaultTemplate());
    lines->SetText(u"<x>\r\n%BODY%\r\n");
    EXPECT_EQ(data.Template(), (QStringList { "<x>", "%BODY%" }))
        << "the published list is the template itself";
    TStrings other(QStringList { "%BODY%" });
    EXPECT_TRUE(SetObjectProp(&data, tmpl, &other));
    EXPECT_EQ(data.Template(), QStringList { "%BODY%" }) << "assigning copies the lines";
}
