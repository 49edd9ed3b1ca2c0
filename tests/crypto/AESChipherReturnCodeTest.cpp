#include "AesTestSupport.h"

#include <QBuffer>
#include <QtEndian>

namespace {

TAESChipher MakeCipher(TAESChipherMode mode = cmECB)
{
    TAESChipher cipher;
    cipher.SetKeyBits(ck256);
    cipher.SetKey(QStringLiteral("return codes"));
    cipher.SetMode(mode);
    return cipher;
}

QByteArray WithLength(QByteArray buffer, qint32 length)
{
    qToLittleEndian<qint32>(length, buffer.data());
    return buffer;
}

} // namespace

TEST(AESChipherBufferEncrypt, ReportsEveryReturnCode)
{
    TAESChipher cipher = MakeCipher();
    const QByteArray plain = RandomBytes(17, 1);
    QByteArray dest(64, 'x');
    int size = int(dest.size());
    EXPECT_EQ(cipher.BufferEncrypt(plain.constData(), 0, dest.data(), size), TAESChipher::ErrNoSource);
    EXPECT_EQ(cipher.BufferEncrypt(plain.constData(), -5, dest.data(), size), TAESChipher::ErrNoSource);
    // The size check comes before the source and destination checks.
    size = 0;
    EXPECT_EQ(cipher.BufferEncrypt(nullptr, 17, nullptr, size), TAESChipher::ErrDestTooSmall);
    EXPECT_EQ(size, 36);
    size = 35;
    EXPECT_EQ(cipher.BufferEncrypt(plain.constData(), 17, dest.data(), size), TAESChipher::ErrDestTooSmall);
    EXPECT_EQ(size, 36);
    EXPECT_EQ(cipher.BufferEncrypt(nullptr, 17, dest.data(), size), TAESChipher::ErrNoSource);
    EXPECT_EQ(cipher.BufferEncrypt(plain.constData(), 17, nullptr, size), TAESChipher::ErrNoDest);
    EXPECT_EQ(dest, QByteArray(64, 'x'));
    size = 64;
    EXPECT_EQ(cipher.BufferEncrypt(plain.constData(), 17, dest.data(), size), 17);
    EXPECT_EQ(size, 36);
    EXPECT_EQ(dest.mid(36), QByteArray(28, 'x')) << "nothing written past the cipher buffer";
}

TEST(AESChipherBufferDecrypt, ReportsEveryReturnCodeAndWritesNothingOnRejection)
{
    TAESChipher cipher = MakeCipher();
    const QByteArray plain = RandomBytes(20, 2);
    const QByteArray sealed = cipher.StringEncrypt(plain); // 4 + 32 bytes
    QByteArray dest(64, 'x');
    int size = int(dest.size());
    const auto decrypt = [&](const QByteArray& src) {
        return cipher.BufferDecrypt(src.constData(), int(src.size()), dest.data(), size);
    };
    EXPECT_EQ(cipher.BufferDecrypt(nullptr, 36, dest.data(), size), TAESChipher::ErrNoSource);
    EXPECT_EQ(cipher.BufferDecrypt(sealed.constData(), 0, dest.data(), size), TAESChipher::ErrNoSource);
    EXPECT_EQ(decrypt(sealed.left(35)), 0);
    EXPECT_EQ(decrypt(sealed.left(3)), 0);
    EXPECT_EQ(decrypt(sealed.left(4)), 0) << "a length and no block";
    EXPECT_EQ(decrypt(WithLength(sealed, -1)), TAESChipher::ErrNegativeLength);
    // A stored length that disagrees with the block count is refused, so no
    // input can write past a destination sized for its length.
    EXPECT_EQ(decrypt(WithLength(sealed, 16)), TAESChipher::ErrBadLength);
    EXPECT_EQ(decrypt(WithLength(sealed, 33)), TAESChipher::ErrBadLength);
    EXPECT_EQ(decrypt(WithLength(sealed.left(20), 1000)), TAESChipher::ErrBadLength);
    EXPECT_EQ(decrypt(WithLength(sealed, 0)), TAESChipher::ErrBadLength);
    EXPECT_EQ(dest, QByteArray(64, 'x'));

    size = 19;
    EXPECT_EQ(decrypt(sealed), TAESChipher::ErrDestTooSmall);
    EXPECT_EQ(size, 20);
    EXPECT_EQ(cipher.BufferDecrypt(sealed.constData(), 36, nullptr, size), TAESChipher::ErrNoDest);
    EXPECT_EQ(dest, QByteArray(64, 'x'));
    size = 64;
    EXPECT_EQ(decrypt(sealed), 36);
    EXPECT_EQ(size, 20);
    EXPECT_EQ(dest.left(20), plain);
    EXPECT_EQ(dest.mid(20), QByteArray(44, 'x'));
}

TEST(AESChipherBlocks, RejectPartialBlocksAndMissingBuffers)
{
    TAESChipher cipher = MakeCipher(cmCBC);
    const QByteArray plain = RandomBytes(48, 3);
    QByteArray dest(48, 'x');
    EXPECT_EQ(cipher.BlocksEncrypt(plain.constData(), 48, nullptr), TAESChipher::ErrNoDest);
    EXPECT_EQ(cipher.BlocksEncrypt(plain.constData(), 47, dest.data()), TAESChipher::ErrBadLength);
    EXPECT_EQ(cipher.BlocksEncrypt(plain.constData(), -16, dest.data()), TAESChipher::ErrBadLength);
    EXPECT_EQ(cipher.BlocksEncrypt(nullptr, 48, dest.data()), TAESChipher::ErrNoSource);
    EXPECT_EQ(cipher.BlocksDecrypt(plain.constData(), 17, dest.data()), TAESChipher::ErrBadLength);
    EXPECT_EQ(dest, QByteArray(48, 'x'));
    EXPECT_EQ(cipher.BlocksEncrypt(plain.constData(), 0, dest.data()), 0);
    EXPECT_EQ(cipher.BlocksEncrypt(plain.constData(), 48, dest.data()), 48);
    // Blocks carry no length prefix: they are the cipher buffer without it.
    EXPECT_EQ(dest, cipher.StringEncrypt(plain).mid(4));
    QByteArray back(48, '\0');
    EXPECT_EQ(cipher.BlocksDecrypt(dest.constData(), 48, back.data()), 48);
    EXPECT_EQ(back, plain);
}

TEST(AESChipherString, RejectedInputGivesAnEmptyString)
{
    TAESChipher cipher = MakeCipher();
    EXPECT_TRUE(cipher.StringDecrypt(QByteArray()).isEmpty());
    EXPECT_TRUE(cipher.StringDecrypt(QByteArray(35, 'a')).isEmpty());
    EXPECT_TRUE(cipher.StringDecrypt(WithLength(QByteArray(20, 'a'), -3)).isEmpty());
    EXPECT_TRUE(cipher.StringDecrypt(WithLength(QByteArray(20, 'a'), 17)).isEmpty());
    EXPECT_EQ(cipher.StringDecrypt(cipher.StringEncrypt("x")), "x");
}

TEST(AESChipherBufferDecrypt, NoStoredLengthWritesPastTheSizeItAsksFor)
{
    TAESChipher cipher = MakeCipher(cmCBC);
    for (unsigned seed = 0; seed < 500; ++seed) {
        const int blocks = int(seed % 5);
        QByteArray src = RandomBytes(4 + 16 * blocks, seed);
        qToLittleEndian<qint32>(qint32(seed % 90) - 5, src.data());
        int size = 0;
        if (cipher.BufferDecrypt(src.constData(), int(src.size()), nullptr, size)
            != TAESChipher::ErrDestTooSmall)
            continue;
        QByteArray dest(size + 16, 'g');
        const int result = cipher.BufferDecrypt(src.constData(), int(src.size()), dest.data(), size);
        EXPECT_EQ(dest.mid(size), QByteArray(16, 'g')) << "seed " << seed << ", result " << result;
    }
}
