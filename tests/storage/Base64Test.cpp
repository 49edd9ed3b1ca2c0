#include "storage/Base64.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

TEST(Base64, EncodesWithoutPaddingInTheStandardAlphabet)
{
    EXPECT_EQ(Base64Encode(QByteArray()), QByteArray());
    EXPECT_EQ(Base64Encode(QByteArray("f")), QByteArray("Zg"));
    EXPECT_EQ(Base64Encode(QByteArray("fo")), QByteArray("Zm8"));
    EXPECT_EQ(Base64Encode(QByteArray("foo")), QByteArray("Zm9v"));
    EXPECT_EQ(Base64Encode(QByteArray("foob")), QByteArray("Zm9vYg"));
    EXPECT_EQ(Base64Encode(QByteArray("\xfb\xff\xbf", 3)), QByteArray("+/+/"));
}

TEST(Base64, DecodeRejectsPaddingBlanksForeignCharactersAndLoneFinalCharacters)
{
    EXPECT_EQ(Base64Decode("Zm9vYg"), QByteArray("foob"));
    EXPECT_EQ(Base64Decode("Zm8"), QByteArray("fo"));
    EXPECT_TRUE(Base64Decode("Zm8=").isEmpty());
    EXPECT_TRUE(Base64Decode("Zm9vYg==").isEmpty());
    EXPECT_TRUE(Base64Decode("Zm9v\r\nYg").isEmpty());
    EXPECT_TRUE(Base64Decode("Zm 9v").isEmpty());
    EXPECT_TRUE(Base64Decode("Zm9vY").isEmpty());
    EXPECT_TRUE(Base64Decode("Zm9\xc3v").isEmpty());
    EXPECT_TRUE(Base64Decode("").isEmpty());
}

TEST(Base64, RandomBytesRoundTripAndMatchTheUnpaddedStandardForm)
{
    QRandomGenerator random(7);
    for (int size = 0; size < 200; ++size) {
        QByteArray bytes(size, Qt::Uninitialized);
        for (char& b : bytes)
            b = static_cast<char>(random.bounded(256));
        const QByteArray text = Base64Encode(bytes);
        EXPECT_EQ(text.size(), size / 3 * 4 + (size % 3 ? size % 3 + 1 : 0));
        EXPECT_EQ(text, bytes.toBase64(QByteArray::OmitTrailingEquals));
        EXPECT_EQ(Base64Decode(text), bytes);
    }
}

TEST(Base64, DecodeFindsABadCharacterAtAnyPlace)
{
    const QByteArray text = Base64Encode(QByteArray("twenty bytes of text"));
    for (qsizetype at = 0; at < text.size(); ++at) {
        for (const char bad : {'=', ' ', '\0', '\xff', '-'}) {
            QByteArray broken = text;
            broken[at] = bad;
            EXPECT_TRUE(Base64Decode(broken).isEmpty()) << at << int(bad);
        }
    }
}
