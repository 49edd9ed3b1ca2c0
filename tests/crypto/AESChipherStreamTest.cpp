#include "AesTestSupport.h"

#include "framework/Exception.h"

#include <QBuffer>
#include <QtEndian>

namespace {

TAESChipher MakeCipher(TAESChipherMode mode)
{
    TAESChipher cipher;
    cipher.SetKeyBits(ck192);
    cipher.SetKey(QStringLiteral("streams"));
    cipher.SetMode(mode);
    return cipher;
}

// A device that accepts only the first LIMIT bytes written to it.
class TFailingDevice : public QBuffer {
public:
    explicit TFailingDevice(qint64 limit)
        : FLimit(limit)
    {
    }

protected:
    qint64 writeData(const char* data, qint64 len) override
    {
        if (pos() + len > FLimit)
            return -1;
        return QBuffer::writeData(data, len);
    }

private:
    qint64 FLimit;
};

} // namespace

TEST_P(AesPathTest, StreamsWriteAndReadTheCipherBufferFromTheirPosition)
{
    for (TAESChipherMode mode : { cmECB, cmCBC }) {
        TAESChipher cipher = MakeCipher(mode);
        for (int length : { 1, 16, 17, 65535, 65536, 65537, 200000 }) {
            const QByteArray plain = RandomBytes(length, unsigned(length));
            QByteArray source = "skip" + plain;
            QBuffer in(&source);
            in.open(QIODevice::ReadOnly);
            in.seek(4);
            QByteArray sealed;
            QBuffer out(&sealed);
            out.open(QIODevice::WriteOnly);
            ASSERT_EQ(cipher.StreamEncrypt(in, out), length);
            EXPECT_EQ(sealed, cipher.StringEncrypt(plain)) << mode << "/" << length;

            QBuffer sealedIn(&sealed);
            sealedIn.open(QIODevice::ReadOnly);
            QByteArray back;
            QBuffer backOut(&back);
            backOut.open(QIODevice::WriteOnly);
            EXPECT_EQ(cipher.StreamDecrypt(sealedIn, backOut), sealed.size());
            EXPECT_EQ(back, plain) << mode << "/" << length;
        }
    }
}

TEST(AESChipherStream, ReportsEveryReturnCode)
{
    TAESChipher cipher = MakeCipher(cmECB);
    QByteArray target;
    QBuffer out(&target);
    out.open(QIODevice::WriteOnly);
    const auto encrypt = [&](QByteArray data) {
        QBuffer in(&data);
        in.open(QIODevice::ReadOnly);
        return cipher.StreamEncrypt(in, out);
    };
    const auto decrypt = [&](QByteArray data) {
        QBuffer in(&data);
        in.open(QIODevice::ReadOnly);
        const int result = cipher.StreamDecrypt(in, out);
        EXPECT_TRUE(result > 0 || in.pos() == 0) << "a rejected source is not consumed";
        return result;
    };
    QBuffer closed;
    EXPECT_EQ(cipher.StreamEncrypt(closed, out), TAESChipher::ErrNoSource);
    EXPECT_EQ(cipher.StreamDecrypt(closed, out), TAESChipher::ErrNoSource);
    QByteArray some("abc");
    QBuffer readable(&some);
    readable.open(QIODevice::ReadOnly);
    EXPECT_EQ(cipher.StreamEncrypt(readable, closed), TAESChipher::ErrNoDest);
    EXPECT_EQ(cipher.StreamDecrypt(readable, closed), TAESChipher::ErrNoDest);
    EXPECT_EQ(encrypt(QByteArray()), 0);

    QByteArray sealed = cipher.StringEncrypt(RandomBytes(40, 4)); // 4 + 48 bytes
    EXPECT_EQ(decrypt(QByteArray()), TAESChipher::ErrBadLength);
    EXPECT_EQ(decrypt(sealed.left(51)), TAESChipher::ErrBadLength);
    EXPECT_EQ(decrypt(sealed.left(4)), TAESChipher::ErrBadLength) << "a length and no block";
    QByteArray negative = sealed;
    qToLittleEndian<qint32>(-1, negative.data());
    EXPECT_EQ(decrypt(negative), TAESChipher::ErrNegativeLength);
    QByteArray tooLong = sealed;
    qToLittleEndian<qint32>(49, tooLong.data());
    EXPECT_EQ(decrypt(tooLong), TAESChipher::ErrBadLength);
    EXPECT_TRUE(target.isEmpty()) << "nothing written by a rejected call";
}

TEST(AESChipherStream, FailingDestinationRaisesInsteadOfReportingSuccess)
{
    TAESChipher cipher = MakeCipher(cmECB);
    QByteArray plain = RandomBytes(100, 5);
    QBuffer in(&plain);
    in.open(QIODevice::ReadOnly);
    TFailingDevice out(50);
    out.open(QIODevice::WriteOnly);
    EXPECT_THROW(cipher.StreamEncrypt(in, out), Exception);
}
