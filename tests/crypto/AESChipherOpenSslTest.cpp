// Cross-checks against an independent AES: the blocks of our cipher buffer
// must equal OpenSSL's output for the same key bytes and zero-padded data.
#include "AesTestSupport.h"

#include <openssl/evp.h>

namespace {

const EVP_CIPHER* OpenSslCipher(int keyBytes, TAESChipherMode mode)
{
    if (mode == cmCBC)
        return keyBytes == 16 ? EVP_aes_128_cbc() : keyBytes == 24 ? EVP_aes_192_cbc() : EVP_aes_256_cbc();
    return keyBytes == 16 ? EVP_aes_128_ecb() : keyBytes == 24 ? EVP_aes_192_ecb() : EVP_aes_256_ecb();
}

// DATA zero-padded to whole blocks and enciphered by OpenSSL with a zero IV.
QByteArray OpenSslEncrypt(const QByteArray& key, TAESChipherMode mode, QByteArray data)
{
    data.append(QByteArray((16 - data.size() % 16) % 16, '\0'));
    const unsigned char iv[16] = {};
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    QByteArray out(data.size() + 16, '\0');
    int written = 0, last = 0;
    EXPECT_EQ(EVP_EncryptInit_ex(ctx, OpenSslCipher(int(key.size()), mode), nullptr,
                  reinterpret_cast<const unsigned char*>(key.constData()), iv),
        1);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    EVP_EncryptUpdate(ctx, reinterpret_cast<unsigned char*>(out.data()), &written,
        reinterpret_cast<const unsigned char*>(data.constData()), int(data.size()));
    EVP_EncryptFinal_ex(ctx, reinterpret_cast<unsigned char*>(out.data()) + written, &last);
    EVP_CIPHER_CTX_free(ctx);
    out.truncate(written + last);
    return out;
}

QByteArray OurBlocks(TAESChipher& cipher, const QByteArray& data)
{
    return cipher.StringEncrypt(data).mid(4);
}

} // namespace

TEST_P(AesPathTest, CipherBufferBlocksEqualOpenSslOnRandomDataOfManyLengths)
{
    const QByteArray key = RandomBytes(32, 99);
    for (TAESChipherMode mode : { cmECB, cmCBC }) {
        TAESChipher cipher;
        cipher.SetKeyBits(ck256);
        cipher.SetKey(KeyText(Hex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f")));
        cipher.SetMode(mode);
        const QByteArray fixedKey = Hex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
        for (int length : { 1, 2, 15, 16, 17, 31, 32, 33, 100, 127, 128, 129, 255, 256, 1000, 4095, 65536,
                 65537, 200003 }) {
            const QByteArray data = RandomBytes(length, unsigned(length));
            EXPECT_EQ(OurBlocks(cipher, data), OpenSslEncrypt(fixedKey, mode, data))
                << "mode " << mode << ", length " << length;
        }
    }
}

TEST_P(AesPathTest, EveryKeySizeAndModeAgreesWithOpenSsl)
{
    const QByteArray data = RandomBytes(16 * 37 + 5, 5);
    for (TAESChipherKeyBits bits : { ck128, ck192, ck256 }) {
        const int keyBytes = 16 + 8 * int(bits);
        // Key bytes below 0x80 are the same in every 8-bit code page.
        QByteArray key = RandomBytes(keyBytes, unsigned(keyBytes));
        for (auto& b : key)
            b = char(b & 0x7f);
        for (TAESChipherMode mode : { cmECB, cmCBC }) {
            TAESChipher cipher;
            cipher.SetKeyBits(bits);
            cipher.SetKey(KeyText(key));
            cipher.SetMode(mode);
            EXPECT_EQ(OurBlocks(cipher, data), OpenSslEncrypt(key, mode, data)) << bits << "/" << mode;
            EXPECT_EQ(cipher.StringDecrypt(cipher.StringEncrypt(data)), data);
        }
    }
}

TEST(AESChipherKey, KeyTextBytesArePaddedCutOrWide)
{
    const QByteArray data = RandomBytes(48, 11);
    const auto ours = [&](TAESChipherKeyBits bits, const QString& key) {
        TAESChipher cipher;
        cipher.SetKeyBits(bits);
        cipher.SetKey(key);
        return OurBlocks(cipher, data);
    };
    // A shorter text is zero-padded.
    EXPECT_EQ(ours(ck256, QStringLiteral("abc")),
        OpenSslEncrypt(QByteArray("abc") + QByteArray(29, '\0'), cmECB, data));
    // A longer text is cut: 42 characters with ck256 use the first 32.
    const QString updaterKey = QStringLiteral("qxbm7ra2twe5nvk3hj9pdl0fzc4sy6ug8oiwbq1mtr");
    EXPECT_EQ(ours(ck256, updaterKey), OpenSslEncrypt(updaterKey.left(32).toLatin1(), cmECB, data));
    EXPECT_EQ(ours(ck128, updaterKey), OpenSslEncrypt(updaterKey.left(16).toLatin1(), cmECB, data));
    // A character up to U+00FF is one byte of the 8-bit code page.
    EXPECT_EQ(ours(ck128, QStringLiteral("caf\u00e9")),
        OpenSslEncrypt(QByteArray("caf\xe9") + QByteArray(12, '\0'), cmECB, data));
    // One character above U+00FF makes every character two bytes, UTF-16LE,
    // so 16 characters fill a 256-bit key.
    const QString wide = QStringLiteral("\u043a\u043b\u044e\u0447abcdefghijklXYZ");
    QByteArray wideBytes;
    for (QChar c : wide)
        wideBytes.append(char(c.unicode() & 0xff)).append(char(c.unicode() >> 8));
    EXPECT_EQ(ours(ck256, wide), OpenSslEncrypt(wideBytes.left(32), cmECB, data));
    EXPECT_EQ(ours(ck192, wide), OpenSslEncrypt(wideBytes.left(24), cmECB, data));
}
