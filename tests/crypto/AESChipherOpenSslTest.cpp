// Cross-checks against an independent AES: the blocks of our cipher buffer
// must equal OpenSSL's output for the same key bytes and zero-padded data.
#include "AesTestSupport.h"

#include <openssl/evp.h>

namespace {

// DATA zero-padded to whole blocks and enciphered by OpenSSL with a zero IV.
QByteArray OpenSslEncrypt(const QByteArray& key, TAESChipherMode mode, QByteArray data)
{
    static const EVP_CIPHER* const kCiphers[2][3]
        = { { EVP_aes_128_ecb(), EVP_aes_192_ecb(), EVP_aes_256_ecb() },
              { EVP_aes_128_cbc(), EVP_aes_192_cbc(), EVP_aes_256_cbc() } };
    data.append(QByteArray((16 - data.size() % 16) % 16, '\0'));
    const unsigned char iv[16] = {};
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    QByteArray out(data.size(), '\0');
    int written = 0;
    EVP_EncryptInit_ex(ctx, kCiphers[mode][(key.size() - 16) / 8], nullptr,
        reinterpret_cast<const unsigned char*>(key.constData()), iv);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    EVP_EncryptUpdate(ctx, reinterpret_cast<unsigned char*>(out.data()), &written,
        reinterpret_cast<const unsigned char*>(data.constData()), int(data.size()));
    EVP_CIPHER_CTX_free(ctx);
    return written == data.size() ? out : QByteArray();
}

QByteArray OurBlocks(
    TAESChipherKeyBits bits, const QString& key, TAESChipherMode mode, const QByteArray& data)
{
    TAESChipher cipher;
    cipher.SetKeyBits(bits);
    cipher.SetKey(key);
    cipher.SetMode(mode);
    const QByteArray sealed = cipher.StringEncrypt(data);
    EXPECT_EQ(cipher.StringDecrypt(sealed), data);
    return sealed.mid(4);
}

} // namespace

TEST_P(AesPathTest, CipherBufferBlocksEqualOpenSslForEveryKeySizeModeAndManyLengths)
{
    for (TAESChipherKeyBits bits : { ck128, ck192, ck256 }) {
        // Key bytes below 0x80 are the same in every 8-bit code page.
        QByteArray key = RandomBytes(16 + 8 * bits, unsigned(bits));
        for (auto& b : key)
            b = char(b & 0x7f);
        for (TAESChipherMode mode : { cmECB, cmCBC }) {
            for (int length : { 1, 15, 16, 17, 127, 128, 129, 1000, 65536, 65537, 200003 }) {
                const QByteArray data = RandomBytes(length, unsigned(length));
                EXPECT_EQ(OurBlocks(bits, KeyText(key), mode, data), OpenSslEncrypt(key, mode, data))
                    << "bits " << bits << ", mode " << mode << ", length " << length;
            }
        }
    }
}

TEST(AESChipherKey, KeyTextBytesArePaddedCutOrWide)
{
    const QByteArray data = RandomBytes(48, 11);
    const auto ours
        = [&](TAESChipherKeyBits bits, const QString& key) { return OurBlocks(bits, key, cmECB, data); };
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
