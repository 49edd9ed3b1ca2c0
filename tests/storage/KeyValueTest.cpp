// Key values through TrsKeyWrapper: conversions between key types, read
// errors, text forms, equality, buffers, streams, variants and the array
// stream.
#include "framework/FormatSettings.h"
#include "storage/TrsException.h"
#include "storage/TrsStorage.h"

#include <gtest/gtest.h>

#include <QBuffer>

namespace {

// Fixed text forms for the duration of a test.
class KeyValue : public ::testing::Test {
protected:
    void SetUp() override
    {
        FSaved = DefaultFormatSettings();
        TFormatSettings fs;
        fs.DecimalSeparator = u',';
        fs.DateSeparator = u'.';
        fs.ShortDateFormat = "dd/mm/yyyy";
        fs.LongTimeFormat = "hh:nn:ss";
        SetDefaultFormatSettings(fs);
    }
    void TearDown() override { SetDefaultFormatSettings(FSaved); }

    TrsKeyWrapper& Key(const QString& path = "\\S\\k")
    {
        FStorage.FindKey(path, true);
        return FStorage.KeyWrapper();
    }

    QString ReadError(const std::function<void()>& read)
    {
        try {
            read();
        } catch (const TrsException& e) {
            return e.Message();
        }
        return "no error";
    }

    TrsStorage FStorage;

private:
    TFormatSettings FSaved;
};

} // namespace

TEST_F(KeyValue, IntegerReadsAsEveryCompatibleType)
{
    TrsKeyWrapper& key = Key();
    key.SetAsInteger(7);
    EXPECT_EQ(key.AsFloat(), 7.0);
    EXPECT_EQ(key.AsString(), "7");
    EXPECT_EQ(key.AsCurrency(), TCurrency::FromInteger(7));
    EXPECT_EQ(key.AsInt64(), 7);
    EXPECT_EQ(key.AsDateTime().Value, 7.0);
    EXPECT_TRUE(key.AsBoolean());
    EXPECT_EQ(ReadError([&] { key.AsPoint(); }),
        "TrsStorage get key value error: Can't read value of key \"\\S\\k\" as point type.");
}

TEST_F(KeyValue, FloatsRoundHalvesToEven)
{
    TrsKeyWrapper& key = Key();
    const std::pair<double, int> cases[]
        = { { 2.5, 2 }, { 3.5, 4 }, { -2.5, -2 }, { 2.4999, 2 }, { -3.5, -4 } };
    for (auto [value, expected] : cases) {
        key.SetAsFloat(value);
        EXPECT_EQ(key.AsInteger(), expected) << value;
        EXPECT_EQ(key.AsInt64(), expected) << value;
    }
    key.SetAsCurrency(TCurrency { 25000 });
    EXPECT_EQ(key.AsInteger(), 2);
    key.SetAsCurrency(TCurrency { -35000 });
    EXPECT_EQ(key.AsInt64(), -4);
    key.SetAsFloat(3e10);
    EXPECT_EQ(ReadError([&] { key.AsInteger(); }),
        "TrsStorage get key value error: Can't read value of key \"\\S\\k\" as integer type.");
    key.SetAsInt64(0x100000005LL);
    EXPECT_EQ(key.AsInteger(), 5) << "the low 32 bits";
}

TEST_F(KeyValue, ReadErrorsNameTheKeyAndTheGettersTypeWord)
{
    TrsKeyWrapper& key = Key("\\A\\B\\k");
    const QString prefix = "TrsStorage get key value error: Can't read value of key \"\\A\\B\\k\" as ";
    key.SetAsDateTime(TDateTime { 1.5 });
    EXPECT_EQ(ReadError([&] { key.AsFloat(); }), prefix + "float type.");
    EXPECT_EQ(ReadError([&] { key.AsInt64(); }), prefix + "Int64 type.");
    EXPECT_EQ(ReadError([&] { key.AsCurrency(); }), prefix + "currency type.");
    EXPECT_EQ(ReadError([&] { key.AsBoolean(); }), prefix + "boolean type.");
    EXPECT_EQ(ReadError([&] { key.AsPointer(); }), prefix + "pointer type.");
    key.SetAsFloat(1.5);
    EXPECT_EQ(key.AsDateTime().Value, 1.5);
    key.SetAsBoolean(true);
    EXPECT_EQ(ReadError([&] { key.AsDateTime(); }), prefix + "DateTime type.");
    key.SetKeyType(11);
    EXPECT_EQ(ReadError([&] { key.AsString(); }), prefix + "string type.");
    key.SetAsPoint(QPoint(1, 2));
    EXPECT_EQ(ReadError([&] { key.AsInteger(); }), prefix + "integer type.");
    EXPECT_EQ(key.AsString(), "(1,2)");
}

TEST_F(KeyValue, BuffersOfTheExactWidthReadAsBinaryValues)
{
    TrsKeyWrapper& key = Key();
    key.SetAsBuffer("\x01\x00\x00\x00", 4);
    EXPECT_EQ(key.AsInteger(), 1);
    EXPECT_THROW(key.AsInt64(), TrsException);
    key.SetAsBuffer("\x01\x00\x00", 3);
    EXPECT_THROW(key.AsInteger(), TrsException);
    const double value = 2.25;
    key.SetAsBuffer(&value, 8);
    EXPECT_EQ(key.AsFloat(), 2.25);
    EXPECT_EQ(key.AsDateTime().Value, 2.25);
    EXPECT_THROW(key.AsBoolean(), TrsException);
}

TEST_F(KeyValue, BooleanTextsAreTrueOrFalseInAnyCase)
{
    TrsKeyWrapper& key = Key();
    for (const char* text : { "True", "TRUE", "true", "tRuE" }) {
        key.SetAsString(text);
        EXPECT_TRUE(key.AsBoolean()) << text;
    }
    for (const char* text : { "False", "FALSE", "false" }) {
        key.SetAsString(text);
        EXPECT_FALSE(key.AsBoolean()) << text;
    }
    for (const char* text : { "yes", "1", "", " True" }) {
        key.SetAsString(text);
        EXPECT_THROW(key.AsBoolean(), TrsException) << text;
    }
    key.SetAsBoolean(true);
    EXPECT_EQ(key.PKeyItem()->Value.VBoolean(), -1);
    EXPECT_EQ(key.AsString(), "True");
    EXPECT_EQ(key.AsInteger(), 1);
}

TEST_F(KeyValue, TextsParseWithTheFormatSettingsAndPassTheirErrorsOn)
{
    TrsKeyWrapper& key = Key();
    key.SetAsString("1,5");
    EXPECT_EQ(key.AsFloat(), 1.5);
    EXPECT_EQ(key.AsCurrency(), TCurrency { 15000 });
    key.SetAsString("-42");
    EXPECT_EQ(key.AsInteger(), -42);
    EXPECT_EQ(key.AsInt64(), -42);
    key.SetAsString("31.12.1999 12:00:00");
    EXPECT_DOUBLE_EQ(key.AsDateTime().Value, 36525.5);
    key.SetAsString("1.5");
    EXPECT_THROW(key.AsFloat(), EConvertError);
    key.SetAsString("abc");
    EXPECT_THROW(key.AsInteger(), EConvertError);
}

TEST_F(KeyValue, TextFormsFollowTheKeyType)
{
    TrsKeyWrapper& key = Key();
    key.SetAsFloat(1234.5);
    EXPECT_EQ(key.AsString(), "1234,5");
    key.SetAsCurrency(TCurrency { -12345 });
    EXPECT_EQ(key.AsString(), "-1,2345");
    key.SetAsDateTime(TDateTime { 36525.75 });
    EXPECT_EQ(key.AsString(), "31.12.1999 18:00:00");
    key.SetAsInt64(-9000000000LL);
    EXPECT_EQ(key.AsString(), "-9000000000");
    key.SetAsPointer(0xFFFFFFFFu);
    EXPECT_EQ(key.AsString(), "-1");
    key.SetKeyType(ktNone);
    key.Clear();
    EXPECT_EQ(key.AsString(), QString());
    EXPECT_EQ(key.AsInteger(), 0);
}

TEST_F(KeyValue, BufferTextIsWrappedHexAfterTwentySixBytes)
{
    TrsKeyWrapper& key = Key();
    key.SetAsBuffer("\x0A\xFF", 2);
    EXPECT_EQ(key.AsString(), "0A,FF");
    QByteArray bytes(53, '\x11');
    key.SetAsBuffer(bytes.constData(), int(bytes.size()));
    const QStringList lines = key.AsString().split("\r\n");
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0].count(u','), 26) << "26 bytes, each followed by a comma";
    EXPECT_EQ(lines[1].count(u',') + 1, 27);
}

TEST_F(KeyValue, EqualValueComparesByType)
{
    TrsKeyWrapper& key = Key();
    TrsKeyValue other;
    key.SetAsDateTime(TDateTime { 100.0 });
    other.kvType = ktDateTime;
    other.SetVDateTime(100.0 + 0.5 / 86400000.0);
    EXPECT_TRUE(key.EqualValue(&other));
    other.SetVDateTime(100.0 + 2.0 / 86400000.0);
    EXPECT_FALSE(key.EqualValue(&other));

    key.SetAsBuffer("abc", 3);
    other = TrsKeyValue();
    other.kvType = ktBuffer;
    other.VBuffer = "abcd";
    EXPECT_FALSE(key.EqualValue(&other));
    TrsKeyValue shorter;
    key.SetAsBuffer("abcd", 4);
    shorter.kvType = ktBuffer;
    shorter.VBuffer = "abc";
    EXPECT_FALSE(key.EqualValue(&shorter));

    key.SetAsBoolean(true);
    other = TrsKeyValue();
    other.kvType = ktBoolean;
    other.SetVBoolean(1);
    EXPECT_TRUE(key.EqualValue(&other));
    other.kvType = ktInteger;
    EXPECT_FALSE(key.EqualValue(&other)) << "types differ";

    key.SetAsString("Text");
    other = TrsKeyValue();
    other.kvType = ktString;
    other.VString = "text";
    EXPECT_FALSE(key.EqualValue(&other)) << "texts compare case-sensitively";
}

TEST_F(KeyValue, AssignCopiesOptionsTypeAndValue)
{
    TrsKeyWrapper& key = Key();
    key.SetAsString("value");
    key.SetKeyOptions(128);
    TrsKeyValue copy;
    copy.kvType = ktBuffer;
    copy.VBuffer = "old";
    key.AssignValueTo(&copy);
    EXPECT_EQ(copy.kvType, ktString);
    EXPECT_EQ(copy.VString, "value");
    EXPECT_TRUE(copy.VBuffer.isEmpty());
    EXPECT_EQ(copy.Options, 128);
    copy.VString = "changed";
    TrsKeyWrapper& second = Key("\\S\\k2");
    second.AssignValue(&copy);
    EXPECT_EQ(second.AsString(), "changed");
    EXPECT_EQ(FStorage.ReadString("\\S\\k", QString()), "value");
}

TEST_F(KeyValue, VariantsCarryTheKeyTypes)
{
    TrsKeyWrapper& key = Key();
    const std::pair<QVariant, quint16> cases[] = {
        { QVariant(), ktNone },
        { QVariant::fromValue(qint16(-3)), ktInteger },
        { QVariant(42), ktInteger },
        { QVariant::fromValue(quint8(200)), ktInteger },
        { QVariant::fromValue(float(1.5f)), ktFloat },
        { QVariant(2.5), ktFloat },
        { QVariant::fromValue(TCurrency { 12345 }), ktCurrency },
        { QVariant::fromValue(TDateTime { 3.25 }), ktDateTime },
        { QVariant(QStringLiteral("text")), ktString },
        { QVariant(QByteArray("bytes")), ktString },
        { QVariant(true), ktBoolean },
        { QVariant(qlonglong(1) << 40), ktInt64 },
    };
    for (const auto& [value, type] : cases) {
        key.SetAsVariant(value);
        EXPECT_EQ(key.KeyType(), type) << value.typeName();
    }
    key.SetAsVariant(QVariant(true));
    EXPECT_EQ(key.PKeyItem()->Value.VBoolean(), 1);
    EXPECT_EQ(key.AsVariant(), QVariant(true));
    key.SetAsVariant(QVariant::fromValue(quint32(0xFFFFFFFFu)));
    EXPECT_EQ(key.AsInteger(), -1);

    key.SetAsString("kept");
    EXPECT_THROW(key.SetAsVariant(QVariant(QVariantList { 1 })), TrsException);
    EXPECT_THROW(key.SetAsVariant(QVariant::fromValue(~0ULL)), TrsException);
    EXPECT_EQ(key.AsString(), "kept");

    EXPECT_EQ(VarType(key.AsVariant()), varUString);
    key.SetAsBuffer("ab", 2);
    EXPECT_EQ(key.AsVariant(), QVariant(QByteArray("ab")));
    key.SetAsCurrency(TCurrency { 5 });
    EXPECT_EQ(VarType(key.AsVariant()), varCurrency);
    key.SetAsDateTime(TDateTime { 5 });
    EXPECT_EQ(VarType(key.AsVariant()), varDate);
    key.SetAsPoint(QPoint(1, 1));
    EXPECT_FALSE(key.AsVariant().isValid());
}

TEST_F(KeyValue, BuffersAndStreamsOfferStringAndBufferBytes)
{
    TrsKeyWrapper& key = Key();
    key.SetAsString("ab");
    EXPECT_EQ(key.GetAsBuffer(nullptr, 0), 4);
    char bytes[8] = {};
    EXPECT_EQ(key.GetAsBuffer(bytes, 3), 3);
    EXPECT_EQ(QByteArray(bytes, 3), QByteArray("a\0b", 3));
    key.SetAsInteger(1);
    EXPECT_EQ(key.GetAsBuffer(bytes, 8), 0);

    QBuffer source;
    source.setData("stream content");
    source.open(QIODevice::ReadOnly);
    source.seek(5);
    key.SetAsStream(source);
    EXPECT_EQ(key.KeyType(), ktBuffer);
    QBuffer target;
    target.open(QIODevice::WriteOnly);
    target.write("> ");
    EXPECT_EQ(key.GetAsStream(target), 14);
    EXPECT_EQ(target.data(), "> stream content");
}

TEST_F(KeyValue, ArraysRoundTripThroughTheArrayStream)
{
    TrsKeyWrapper& key = Key();
    const QString wide = QStringLiteral("Ωmega");
    key.SetAsArray({ 42, QStringLiteral("short"), true, wide, QVariant::fromValue(qint16(-2)), 0.5,
        QVariant::fromValue(quint8(255)), QVariant::fromValue(TCurrency { 7 }),
        QVariant::fromValue(TDateTime { 2 }) });
    QVariantList values;
    ASSERT_EQ(key.GetAsArray(values), 9);
    EXPECT_EQ(values[0], QVariant(42));
    EXPECT_EQ(values[1], QVariant(QStringLiteral("short")));
    EXPECT_EQ(values[2], QVariant(true));
    EXPECT_EQ(values[3], QVariant(wide));
    EXPECT_EQ(values[4], QVariant(-2));
    EXPECT_EQ(values[5], QVariant(0.5));
    EXPECT_EQ(values[6], QVariant(255));
    EXPECT_EQ(values[7].value<TCurrency>(), TCurrency { 7 });
    EXPECT_EQ(values[8].value<TDateTime>(), TDateTime { 2 });

    const QByteArray bytes = key.PKeyItem()->Value.VBuffer;
    EXPECT_EQ(bytes.left(4), QByteArray("\x09\x00\x00\x00", 4));
    EXPECT_EQ(bytes.mid(4, 8), QByteArray("\x03\x00\x00\x00\x2A\x00\x00\x00", 8));
    EXPECT_EQ(bytes.mid(12, 13), QByteArray("\x02\x01\x00\x00\x05\x00\x00\x00short", 13));
}

namespace {

// The bytes of the one text element of an array holding just Text.
QByteArray ArrayTextBytes(TrsKeyWrapper& key, const QString& text)
{
    key.SetAsArray({ text });
    return key.PKeyItem()->Value.VBuffer.mid(8);
}

} // namespace

TEST_F(KeyValue, ArrayTextsAreUtf16ExactlyWhenACharacterIsAboveLatin1)
{
    TrsKeyWrapper& key = Key();
    EXPECT_EQ(ArrayTextBytes(key, QStringLiteral("5€")), QByteArray("\x04\x00\x00\x80\x35\x00\xAC\x20", 8));
    EXPECT_EQ(ArrayTextBytes(key, QStringLiteral("é5")), QByteArray("\x02\x00\x00\x00\xE9\x35", 6));

    const QByteArray saved = qgetenv("MIROVANE_ANSI_CODEPAGE");
    qputenv("MIROVANE_ANSI_CODEPAGE", "windows-1251");
    const QByteArray euro = ArrayTextBytes(key, QStringLiteral("5€"));
    // No "é" in this code page: kept in UTF-16 rather than lost as "?".
    const QByteArray accent = ArrayTextBytes(key, QStringLiteral("é5"));
    const QByteArray plain = ArrayTextBytes(key, QStringLiteral("ab"));
    qputenv("MIROVANE_ANSI_CODEPAGE", saved);
    EXPECT_EQ(euro, QByteArray("\x04\x00\x00\x80\x35\x00\xAC\x20", 8));
    EXPECT_EQ(accent, QByteArray("\x04\x00\x00\x80\xE9\x00\x35\x00", 8));
    EXPECT_EQ(plain, QByteArray("\x02\x00\x00\x00\x61\x62", 6));
}

TEST_F(KeyValue, DamagedArrayStreamsNeverReadPastTheBytes)
{
    TrsKeyWrapper& key = Key();
    key.SetAsArray({ 1, QStringLiteral("text"), 2.5 });
    const QByteArray whole = key.PKeyItem()->Value.VBuffer;
    for (qsizetype cut = 0; cut < whole.size(); ++cut) {
        key.SetAsBuffer(whole.constData(), int(cut));
        QVariantList values { QStringLiteral("untouched") };
        const int count = key.GetAsArray(values);
        EXPECT_LE(count, 3) << cut;
        if (cut == 0) {
            EXPECT_EQ(values, QVariantList { QStringLiteral("untouched") });
        }
    }
    QByteArray huge = whole;
    huge[4 + 4] = '\xFF'; // a string length far beyond the bytes
    huge[4 + 4 + 4 + 4 + 3] = '\x7F';
    key.SetAsBuffer(huge.constData(), int(huge.size()));
    QVariantList values;
    EXPECT_LE(key.GetAsArray(values), 3);

    key.SetAsString("not an array");
    EXPECT_EQ(key.GetAsArray(values), 0);
}

TEST_F(KeyValue, UnsupportedArrayElementsRaiseAndLeaveTheKey)
{
    TrsKeyWrapper& key = Key();
    key.SetAsInteger(9);
    try {
        key.SetAsArray({ 1, QVariant(qlonglong(5)) });
        FAIL() << "no error";
    } catch (const TrsException& e) {
        EXPECT_EQ(e.Message(),
            "TrsStorage set key value error: Can't write value of key \"\\S\\k\" as array type.");
    }
    EXPECT_EQ(key.KeyType(), ktInteger);
    EXPECT_EQ(key.AsInteger(), 9);
}

TEST_F(KeyValue, NamesOfKeysInSectionsAndAtTheTop)
{
    TrsKeyWrapper& nested = Key("\\A\\B\\k");
    EXPECT_EQ(nested.FullName(), "\\A\\B\\k");
    EXPECT_EQ(nested.SectionName(), "B");
    EXPECT_EQ(nested.SectionFullName(), "A\\B");
    EXPECT_EQ(nested.SectionLevel(), 2);
    EXPECT_EQ(nested.Name(), "k");
    TrsKeyWrapper& top = Key("\\k");
    EXPECT_EQ(top.FullName(), "\\\\k");
    EXPECT_EQ(top.SectionLevel(), 0);
    EXPECT_EQ(top.SectionName(), QString());
    EXPECT_TRUE(FStorage.KeyExist(top.FullName()));

    FStorage.SectionAdd("\\0"); // moves A's record; the name is found again
    EXPECT_EQ(FStorage.FindKey("\\A\\B\\k", false) >= 0, true);
    EXPECT_EQ(FStorage.KeyWrapper().FullName(), "\\A\\B\\k");
}

TEST_F(KeyValue, WrapperForgetsItsKeyWhenTheArrayChanges)
{
    TrsKeyWrapper& key = Key("\\a");
    FStorage.WriteInteger("\\b", 1);
    FStorage.KeyDelete("\\a");
    EXPECT_EQ(key.PKeyItem(), nullptr);
    EXPECT_THROW(key.AsString(), TrsException);
}
