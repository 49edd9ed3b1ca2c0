#include "framework/TextFile.h"
#include "framework/Exception.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray ReadBytes(const QString& fileName)
{
    QFile file(fileName);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << fileName.toStdString();
    return file.readAll();
}

void WriteBytes(const QString& fileName, const QByteArray& bytes)
{
    QFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

} // namespace

TEST(TextFile, WritesAnsiLinesWithCrLfAndNoByteOrderMark)
{
    QTemporaryDir dir;
    const QString name = dir.filePath("out.txt");
    WriteTextFile(name, { u"caf\u00e9 & <x>"_qs, "", u"\u4e2d!"_qs });
    EXPECT_EQ(ReadBytes(name), QByteArray("caf\xe9 & <x>\r\n\r\n?!\r\n"));

    WriteTextFile(name, {});
    EXPECT_EQ(ReadBytes(name), QByteArray());
}

TEST(TextFile, ReplacesAnExistingFileEntirely)
{
    QTemporaryDir dir;
    const QString name = dir.filePath("old.bts");
    WriteBytes(name, QByteArray(4096, 'x'));
    WriteTextFile(name, { "new" });
    EXPECT_EQ(ReadBytes(name), QByteArray("new\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({ "old.bts" }));
}

TEST(TextFile, MissingFolderRaisesTheCreateErrorAndLeavesNothing)
{
    QTemporaryDir dir;
    const QString name = dir.filePath("missing/new.bts");
    try {
        WriteTextFile(name, { "x" });
        FAIL() << "no error raised";
    } catch (const EFCreateError& error) {
        EXPECT_EQ(error.Message(),
            QStringLiteral("Cannot create file \"%1\". No such file or directory").arg(name));
    }
    EXPECT_FALSE(QFile::exists(name));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

TEST(TextFile, TargetThatCannotBeReplacedKeepsWhatWasThere)
{
    QTemporaryDir dir;
    const QString name = dir.filePath("taken.bts");
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.bts"));
    WriteBytes(dir.filePath("taken.bts/inside"), "old");
    EXPECT_THROW(WriteTextFile(name, { "new" }), EFCreateError);
    EXPECT_EQ(ReadBytes(dir.filePath("taken.bts/inside")), QByteArray("old"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList({ "taken.bts" }));
}

TEST(TextFile, ReadsByByteOrderMarkOrElseAsAnsi)
{
    QTemporaryDir dir;
    const QString name = dir.filePath("in.xml");
    const QString text = u"<mirovane3>\u00e9\u20ac</mirovane3>\r\n"_qs;
    const std::pair<QByteArray, QString> cases[] = {
        { QByteArray("\xEF\xBB\xBF") + text.toUtf8(), text },
        { QByteArray("\xFF\xFE") + QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2),
            text },
        { QByteArray("\xFE\xFF\x00\x41\x20\xAC", 6), u"A\u20ac"_qs },
        { QByteArray("caf\xe9\x80"), u"caf\u00e9\u20ac"_qs },
        { QByteArray(), QString() },
    };
    for (const auto& [bytes, expected] : cases) {
        WriteBytes(name, bytes);
        EXPECT_EQ(ReadTextFile(name), expected) << bytes.toHex().toStdString();
    }
    // A UTF-16 file cut inside a character keeps what is whole.
    WriteBytes(name, QByteArray("\xFF\xFE\x41\x00\x42", 5));
    EXPECT_TRUE(ReadTextFile(name).startsWith(u"A"));
}

TEST(TextFile, MissingFileRaisesTheOpenError)
{
    QTemporaryDir dir;
    const QString name = dir.filePath("none.xml");
    try {
        ReadTextFile(name);
        FAIL() << "no error raised";
    } catch (const EFOpenError& error) {
        EXPECT_EQ(
            error.Message(), QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(name));
    }
}
