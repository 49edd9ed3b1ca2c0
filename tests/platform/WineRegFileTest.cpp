#include "platform/WineRegFile.h"
#include "platform/RegText.h"

#include <QFile>
#include <QStringList>
#include <gtest/gtest.h>

namespace {

const QStringList UserRootPath { "REGISTRY", "User", "S-1-5-21-0-0-0-1000" };

QByteArray ReadData(const char* name)
{
    QFile file(QStringLiteral(MIROVANE_TEST_DATA "/") + name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

QByteArray Escaped(QStringView text, char delimiter = '"')
{
    QByteArray out;
    TWineRegFile::AppendEscaped(out, text, delimiter, delimiter);
    return out;
}

QString Parsed(QByteArrayView line, qsizetype* end = nullptr)
{
    QString text;
    const qsizetype pos = TWineRegFile::ParseString(line, 0, '"', text);
    if (end)
        *end = pos;
    return text;
}

// Reads TEXT (after a header line) and returns the key at PATH.
TRegKey::TPtr ReadKey(TRegKey& root, const QByteArray& text, const QStringList& path)
{
    QByteArray arch;
    EXPECT_TRUE(TWineRegFile::Read("WINE REGISTRY Version 2\n" + text, root, arch, 1));
    TRegKey::TPtr key;
    TRegKey* at = &root;
    for (const QString& name : path) {
        key = at->FindSubKey(name);
        if (!key)
            return nullptr;
        at = key.get();
    }
    return key;
}

} // namespace

TEST(WineRegFile, RewritesWhatWineWroteByteForByte)
{
    const QByteArray original = ReadData("user.reg");
    TRegKey root;
    QByteArray arch;
    ASSERT_TRUE(TWineRegFile::Read(original, root, arch, 1));
    EXPECT_EQ(arch, "win64");
    EXPECT_EQ(TWineRegFile::Write(root, UserRootPath, arch), original);
}

TEST(WineRegFile, NormalisesAHandEditedFileAsWineDoes)
{
    // Wine stamped the keys without a time with its load time; Software\Wine\Fonts
    // it changed itself while running.
    const quint64 wineLoadTime = 0x1dd875e2c7916deULL;
    TRegKey root;
    QByteArray arch;
    ASSERT_TRUE(TWineRegFile::Read(ReadData("user.reg.hand-edited"), root, arch, wineLoadTime));
    QByteArray expected = ReadData("user.reg.resaved-by-wine");
    expected.replace("[Software\\\\Wine\\\\Fonts] 1796766643\n#time=1dd875e2c94bc90",
        "[Software\\\\Wine\\\\Fonts] 1796766599\n#time=1dd875e1270a090");
    EXPECT_EQ(TWineRegFile::Write(root, UserRootPath, arch), expected);
}

TEST(WineRegFile, EscapesTextAsWineDoes)
{
    EXPECT_EQ(
        Escaped(u"(c) 2026 \"Ünïcode\" back\\slash"), "(c) 2026 \\\"\\xdcn\\x00efcode\\\" back\\\\slash");
    EXPECT_EQ(Escaped(u"é9 éz éG"), "\\x00e99 \\xe9z \\xe9G");
    EXPECT_EQ(Escaped(u"\t\n\a\b\v\f\r\x1b"), "\\t\\n\\a\\b\\v\\f\\r\\e");
    EXPECT_EQ(Escaped(QStringView(u"\0"
                                  "1\0"
                                  "8\x01\x1f",
                  6)),
        "\\0001\\08\\1\\37");
    EXPECT_EQ(Escaped(u"😀"), "\\xd83d\\xde00");
    EXPECT_EQ(Escaped(u"[a]\"b\"", '"'), "[a]\\\"b\\\"");
    EXPECT_EQ(Escaped(u"[a]\"b\"", '['), "\\[a]\"b\"");
    EXPECT_EQ(Escaped(u"\x7f~ "), "\x7f~ ");
}

TEST(WineRegFile, UnescapesEveryFormWineReads)
{
    EXPECT_EQ(Parsed("\\xdcn\\x00efcode\""), u"Ünïcode");
    EXPECT_EQ(Parsed("\\x00e99\""), u"é9");
    EXPECT_EQ(Parsed("\\x263a5\""), u"☺5");
    EXPECT_EQ(Parsed("\\xq\""), u"xq");
    EXPECT_EQ(Parsed("\\101\\0\\7777\""), QStringView(u"A\0\u01ff7", 4));
    EXPECT_EQ(Parsed("\\a\\b\\e\\f\\n\\r\\t\\v\""), u"\a\b\x1b\f\n\r\t\v");
    EXPECT_EQ(Parsed("\\\\ \\\" \\[ \\S\""), u"\\ \" [ S");
    EXPECT_EQ(Parsed("raw UTF-8 \xc3\x9c \xf0\x9f\x98\x80\""), u"raw UTF-8 Ü 😀");
    // Invalid and overlong sequences are dropped.
    EXPECT_EQ(Parsed("a\xc3z\xc0\xafy\xed\xa0\x80x\xff\""), u"azyx");
    qsizetype end = 0;
    EXPECT_EQ(Parsed("ab\" rest", &end), u"ab");
    EXPECT_EQ(end, 3);
    Parsed("no end", &end);
    EXPECT_EQ(end, -1);
    Parsed("ends in escape\\", &end);
    EXPECT_EQ(end, -1);
}

TEST(WineRegFile, RefusesWhatWineRefusesAsARegistryFile)
{
    TRegKey root;
    QByteArray arch;
    for (const QByteArray& bad : { QByteArray("\xef\xbb\xbfWINE REGISTRY Version 2\n[a]\n"),
             QByteArray("WINE REGISTRY Version 2 \n[a]\n"), QByteArray(" WINE REGISTRY Version 2\n"),
             QByteArray("WINE REGISTRY Version 1\n"), QByteArray(),
             QByteArray("WINE REGISTRY Version 2\n#arch=win128\n[a]\n") }) {
        EXPECT_FALSE(TWineRegFile::Read(bad, root, arch, 1)) << bad.constData();
    }
    EXPECT_TRUE(TWineRegFile::Read("WINE REGISTRY Version 2\r\n[a]\r\n\"v\"=\"x\"\r\n", root, arch, 1));
    ASSERT_TRUE(root.FindSubKey(u"A"));
    EXPECT_EQ(RegBytesText(root.FindSubKey(u"a")->FindValue(u"V")->FData), QStringView(u"x\0", 2));
}

TEST(WineRegFile, ReadsDataTypesAndDamagedValuesAsWineDoes)
{
    TRegKey root;
    const auto key = ReadKey(root,
        "[k]\n"
        "  \"sz\" = str:\"a\" trailing text\n"
        "\"d\"=dword:2A\n"
        "\"d.long\"=dword:123456789\n"
        "\"d.junk\"=dword:zz\n"
        "\"none\"=hex():\n"
        "\"h\"=hex(2a):de, AD ,0x1f,\\ ignored\n"
        "\t  01\n"
        "\"bad.tag\"=DWORD:00000001\n"
        "\"bad.byte\"=hex:0102\n"
        "\"no.equals\" \"x\"\n"
        "\"twice\"=\"first\"\n"
        "\"TWICE\"=dword:00000002\n"
        "garbage line\n"
        "\"cut\"=hex:01,\\\n"
        "[lost]\n"
        "\"after\"=\"x\"\n",
        { "k" });
    ASSERT_TRUE(key);
    const auto value = [&](QStringView name) { return key->FindValue(name); };
    EXPECT_EQ(value(u"sz")->FType, REG_SZ);
    EXPECT_EQ(value(u"d")->FData, QByteArray("\x2a\0\0\0", 4));
    EXPECT_EQ(value(u"d.long")->FData, QByteArray("\x89\x67\x45\x23", 4));
    EXPECT_EQ(value(u"d.junk")->FData, QByteArray(4, '\0'));
    EXPECT_EQ(value(u"none")->FType, REG_NONE);
    EXPECT_EQ(value(u"h")->FType, 0x2au);
    EXPECT_EQ(value(u"h")->FData, QByteArray("\xde\xad\x1f\x01"));
    for (QStringView damaged : { u"bad.tag", u"bad.byte", u"cut" }) {
        ASSERT_TRUE(value(damaged)) << damaged.toString().toStdString();
        EXPECT_EQ(value(damaged)->FType, REG_NONE);
        EXPECT_TRUE(value(damaged)->FData.isEmpty());
    }
    EXPECT_FALSE(value(u"no.equals"));
    EXPECT_EQ(value(u"twice")->FName, u"twice");
    EXPECT_EQ(value(u"twice")->FType, REG_DWORD);
    // The continuation swallowed the key line: its value landed in k.
    EXPECT_FALSE(root.FindSubKey(u"lost"));
    EXPECT_TRUE(value(u"after"));
}

TEST(WineRegFile, ReadsKeyLinesAndTheirTimesAsWineDoes)
{
    TRegKey root;
    const QByteArray text = "[a\\\\b\\[1\\]] 1700000000\n"
                            "#class=\"My \\\"C\\\"\"\n"
                            "#link\n"
                            "[a\\\\b\\[1\\]\\\\c] 1\n"
                            "#time=1DD875E13689A8E\n"
                            "[single\\Path\\x]\n"
                            "[\\\\leading]\n"
                            "\"lost\"=\"x\"\n"
                            "[]\n"
                            "@=\"root default\"\n";
    const auto key = ReadKey(root, text, { "a", "B[1]" });
    ASSERT_TRUE(key);
    EXPECT_EQ(key->Time(), 1700000000ULL * 10000000 + 116444736000000000ULL);
    EXPECT_EQ(root.FindSubKey(u"a")->Time(), key->Time());
    EXPECT_EQ(key->Class(), u"My \"C\"");
    EXPECT_TRUE(key->Link());
    EXPECT_EQ(key->FindSubKey(u"c")->Time(), 0x1dd875e13689a8eULL);
    EXPECT_TRUE(root.FindSubKey(u"singlePathx"));
    EXPECT_EQ(root.FindSubKey(u"singlePathx")->Time(), 1u);
    EXPECT_FALSE(root.FindSubKey(u"leading"));
    ASSERT_TRUE(root.FindValue(u""));
    EXPECT_EQ(root.Values().size(), 1u);
}

TEST(WineRegFile, WritesValuesAsWineDoes)
{
    TRegKey root;
    const auto key = root.AddSubKey("k");
    key->SetTime(0x1dd875e13689a8eULL);
    key->SetValue("", REG_BINARY, QByteArray(26, '\x11'));
    key->SetValue("ä", REG_BINARY, QByteArray(26, '\x22'));
    key->SetValue("multi", REG_MULTI_SZ, RegStringBytes(QStringView(u"a\0b\0", 4), true));
    key->SetValue("odd", REG_SZ, QByteArray("a\0b", 3));
    key->SetValue("unterminated", REG_EXPAND_SZ, RegStringBytes(u"hi", false));
    key->SetValue("short.dword", REG_DWORD, QByteArray("\1\0", 2));
    key->SetValue("q", REG_QWORD, QByteArray());
    key->SetValue("empty", REG_SZ, RegStringBytes(u"", true));
    const QByteArray line = QByteArray(24, 'x');
    EXPECT_EQ(TWineRegFile::Write(root, { "REGISTRY", "Machine" }, "win32"),
        "WINE REGISTRY Version 2\n"
        ";; All keys relative to REGISTRY\\\\Machine\n"
        "\n#arch=win32\n"
        "\n[k] 1796766601\n"
        "#time=1dd875e13689a8e\n"
        "@=hex:11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,11,\\\n"
        "  11,11\n"
        "\"empty\"=\"\"\n"
        "\"multi\"=str(7):\"a\\0b\\0\"\n"
        "\"odd\"=hex(1):61,00,62\n"
        "\"q\"=hex(b):\n"
        "\"short.dword\"=hex(4):01,00\n"
        "\"unterminated\"=hex(2):68,00,69,00\n"
        "\"\\xe4\"=hex:22,22,22,22,22,22,22,22,22,22,22,22,22,22,22,22,22,22,22,22,22,22,\\\n"
        "  22,22,22,22\n");
}

TEST(WineRegFile, SurvivesEveryPrefixAndFlippedBytes)
{
    const QByteArray original = ReadData("user.reg.hand-edited");
    for (qsizetype size = 0; size <= original.size(); size += 97) {
        TRegKey root;
        QByteArray arch;
        TWineRegFile::Read(original.first(size), root, arch, 1);
    }
    QByteArray damaged = original;
    for (qsizetype i = 30; i < damaged.size(); i += 101) {
        damaged[i] = char(damaged[i] ^ 0x5a);
        TRegKey root;
        QByteArray arch;
        if (TWineRegFile::Read(damaged, root, arch, 1))
            TWineRegFile::Write(root, UserRootPath, arch);
    }
    SUCCEED();
}
