#include "AesTestSupport.h"

#include <QtEndian>

namespace {

const QByteArray kPlain = Hex("00112233445566778899aabbccddeeff");

struct Fips197Case {
    TAESChipherKeyBits bits;
    const char* key;
    const char* cipher;
    const char* afterOneRound; // round[2].start of the cipher
    const char* afterOneInverseRound; // round[2].istart of the inverse cipher, where checked
};

const Fips197Case kFips197[] = {
    { ck128, "000102030405060708090a0b0c0d0e0f", "69c4e0d86a7b0430d8cdb78070b4c55a",
        "89d810e8855ace682d1843d8cb128fe4", "54d990a16ba09ab596bbf40ea111702f" },
    { ck192, "000102030405060708090a0b0c0d0e0f1011121314151617", "dda97ca4864cdfe06eaf70a0ec0d7191",
        "4f63760643e0aa85aff8c9d041fa0de4", nullptr },
    { ck256, "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
        "8ea2b7ca516745bfeafc49904b496089", "4f63760643e0aa85efa7213201a4e705", nullptr },
};

TAESChipher MakeCipher(TAESChipherKeyBits bits, const QString& key, TAESChipherMode mode = cmECB)
{
    TAESChipher cipher;
    cipher.SetKeyBits(bits);
    cipher.SetKey(key);
    cipher.SetMode(mode);
    return cipher;
}

QByteArray EncryptBlocks(TAESChipher& cipher, const QByteArray& plain)
{
    QByteArray out(plain.size(), '\0');
    EXPECT_EQ(cipher.BlocksEncrypt(plain.constData(), int(plain.size()), out.data()), plain.size());
    return out;
}

} // namespace

TEST_P(AesPathTest, BlocksMatchTheStandardExampleVectorsForEveryKeySize)
{
    for (const Fips197Case& c : kFips197) {
        TAESChipher cipher = MakeCipher(c.bits, KeyText(Hex(c.key)));
        const QByteArray enciphered = EncryptBlocks(cipher, kPlain);
        EXPECT_EQ(enciphered.toHex(), c.cipher);
        QByteArray back(16, '\0');
        EXPECT_EQ(cipher.BlocksDecrypt(enciphered.constData(), 16, back.data()), 16);
        EXPECT_EQ(back, kPlain);
    }
}

TEST(AESChipherRounds, ReducedRoundsFollowTheStandardsIntermediateStates)
{
    for (const Fips197Case& c : kFips197) {
        TAESChipher cipher = MakeCipher(c.bits, KeyText(Hex(c.key)));
        EncryptBlocks(cipher, kPlain); // runs the key update
        const int nr = c.bits == ck128 ? 10 : c.bits == ck192 ? 12 : 14;

        QByteArray block = kPlain;
        cipher.BlockEncryptRounds(reinterpret_cast<PBlockWord8>(block.data()), 0);
        QByteArray added = kPlain;
        for (int i = 0; i < 16; ++i)
            added[i] = char(added[i] ^ Hex(c.key)[i]);
        EXPECT_EQ(block, added) << "only the initial key addition";
        block = kPlain;
        cipher.BlockEncryptRounds(reinterpret_cast<PBlockWord8>(block.data()), 1);
        EXPECT_EQ(block.toHex(), c.afterOneRound);
        block = kPlain;
        cipher.BlockEncryptRounds(reinterpret_cast<PBlockWord8>(block.data()), nr);
        EXPECT_EQ(block.toHex(), c.cipher);

        if (c.afterOneInverseRound) {
            block = Hex(c.cipher);
            cipher.BlockDecryptRounds(reinterpret_cast<PBlockWord8>(block.data()), 1);
            EXPECT_EQ(block.toHex(), c.afterOneInverseRound);
        }
        block = Hex(c.cipher);
        cipher.BlockDecryptRounds(reinterpret_cast<PBlockWord8>(block.data()), nr);
        EXPECT_EQ(block, kPlain);
    }
}

TEST_P(AesPathTest, CipherBufferOfZeroOneSixteenAndSeventeenBytes)
{
    TAESChipher cipher = MakeCipher(ck256, QStringLiteral("qxbm7ra2twe5nvk3hj9pdl0fzc4sy6ug8oiwbq1mtr"));
    EXPECT_TRUE(cipher.StringEncrypt(QByteArray()).isEmpty());
    int size = 0;
    EXPECT_EQ(cipher.BufferEncrypt(nullptr, 0, nullptr, size), TAESChipher::ErrNoSource);

    const struct {
        int plain;
        int cipher;
    } sizes[] = { { 1, 20 }, { 15, 20 }, { 16, 20 }, { 17, 36 }, { 32, 36 }, { 33, 52 } };
    for (const auto& s : sizes) {
        const QByteArray plain = RandomBytes(s.plain, unsigned(s.plain));
        const QByteArray enciphered = cipher.StringEncrypt(plain);
        ASSERT_EQ(enciphered.size(), s.cipher) << s.plain;
        EXPECT_EQ(qFromLittleEndian<qint32>(enciphered.constData()), s.plain);
        EXPECT_EQ(cipher.StringDecrypt(enciphered), plain) << s.plain;
    }
}

TEST_P(AesPathTest, EqualBlocksGiveEqualCipherBlocksOnlyInEcb)
{
    const QByteArray plain = QByteArray(32, 'a') + "tail";
    TAESChipher cipher = MakeCipher(ck256, QStringLiteral("key"), cmECB);
    const QByteArray ecb = cipher.StringEncrypt(plain);
    EXPECT_EQ(ecb.mid(4, 16), ecb.mid(20, 16));
    cipher.SetMode(cmCBC);
    const QByteArray cbc = cipher.StringEncrypt(plain);
    EXPECT_NE(cbc.mid(4, 16), cbc.mid(20, 16));
    EXPECT_EQ(cbc.mid(4, 16), ecb.mid(4, 16)) << "the zero vector leaves the first block alone";
    EXPECT_EQ(cipher.StringEncrypt(plain), cbc) << "every call restarts the chain";
    EXPECT_EQ(cipher.StringDecrypt(cbc), plain);
}

TEST(AESChipherKey, KeyChangesTakeEffectOnTheNextOperation)
{
    const QByteArray plain = RandomBytes(48, 7);
    TAESChipher cipher = MakeCipher(ck256, QStringLiteral("first"));
    const QByteArray first = cipher.StringEncrypt(plain);
    cipher.SetKey(QStringLiteral("second"));
    const QByteArray second = cipher.StringEncrypt(plain);
    EXPECT_NE(first, second);
    cipher.SetKeyBits(ck128);
    EXPECT_NE(cipher.StringEncrypt(plain), second);
    cipher.SetKeyBits(ck256);
    cipher.SetKey(QStringLiteral("first"));
    EXPECT_EQ(cipher.StringEncrypt(plain), first);
    // A wrong key is not detected: wrong bytes of the right length.
    cipher.SetKey(QStringLiteral("other"));
    const QByteArray wrong = cipher.StringDecrypt(first);
    EXPECT_EQ(wrong.size(), plain.size());
    EXPECT_NE(wrong, plain);
}

INSTANTIATE_TEST_SUITE_P(
    BothPaths, AesPathTest, testing::Values(AesPath::Table, AesPath::Instructions), PathName);
