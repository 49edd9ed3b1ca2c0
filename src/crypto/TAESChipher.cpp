#include "crypto/TAESChipher.h"

#include "crypto/AesInstructionPath.h"
#include "crypto/AesTablePath.h"
#include "framework/AnsiCodePage.h"
#include "framework/Exception.h"

#include <QBuffer>
#include <QIODevice>
#include <QtEndian>
#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <vector>

namespace {

constexpr int kBlockSize = 16;

// The cipher buffer: a 4-byte little-endian signed plain length L, then
// ceil(L / 16) enciphered blocks, the last one zero-padded. Every reader and
// writer of the layout goes through these helpers.
namespace CipherBuffer {

constexpr int kPrefixSize = 4;

qint64 SizeFor(qint64 plainLength)
{
    return kPrefixSize + kBlockSize * ((plainLength + kBlockSize - 1) / kBlockSize);
}

qint64 BlocksFor(qint64 plainLength)
{
    return (plainLength + kBlockSize - 1) / kBlockSize;
}

// How many bytes of the last deciphered block count.
int LastBlockBytes(qint64 plainLength)
{
    const int rest = int(plainLength % kBlockSize);
    return rest ? rest : kBlockSize;
}

void WriteLength(quint8* prefix, qint32 plainLength)
{
    qToLittleEndian<qint32>(plainLength, prefix);
}

qint32 ReadLength(const quint8* prefix)
{
    return qFromLittleEndian<qint32>(prefix);
}

} // namespace CipherBuffer

// Stream work happens in chunks of this many bytes, a multiple of the block.
constexpr qint64 kChunkSize = 64 * 1024;

bool ForcedByEnvironment()
{
    const QByteArray value = qgetenv("MIROVANE_AES_FORCE_TABLE");
    return !value.isEmpty() && value != "0";
}

std::atomic<bool>& ForceTablePath()
{
    static std::atomic<bool> force(ForcedByEnvironment());
    return force;
}

// The key text's bytes: UTF-16LE code units when any character is above
// U+00FF, else the 8-bit code page, as the old product made them.
QByteArray KeyTextBytes(const QString& key)
{
    const bool wide = std::any_of(key.cbegin(), key.cend(), [](QChar c) { return c.unicode() > 0xff; });
    if (!wide)
        return AnsiEncode(key);
    QByteArray bytes(key.size() * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < key.size(); ++i)
        qToLittleEndian<quint16>(key.at(i).unicode(), bytes.data() + 2 * i);
    return bytes;
}

void ReadExactly(QIODevice& device, quint8* data, qint64 count)
{
    if (device.read(reinterpret_cast<char*>(data), count) != count)
        throw Exception(QStringLiteral("Stream read error"));
}

void WriteAll(QIODevice& device, const quint8* data, qint64 count)
{
    if (device.write(reinterpret_cast<const char*>(data), count) != count)
        throw Exception(QStringLiteral("Stream write error"));
}

} // namespace

TAESChipher::TAESChipher() = default;

void TAESChipher::SetKeyBits(TAESChipherKeyBits keyBits)
{
    if (keyBits != FKeyBits) {
        FKeyBits = keyBits;
        KeyNeedUpdate = true;
    }
}

void TAESChipher::SetKey(const QString& key)
{
    if (key != FKey) {
        FKey = key;
        KeyNeedUpdate = true;
    }
}

void TAESChipher::SetForceTablePath(bool force)
{
    ForceTablePath().store(force);
}

bool TAESChipher::UsesAesInstructions()
{
    return !ForceTablePath().load() && AesInstructionPath::Available();
}

void TAESChipher::UpdateKey()
{
    if (!KeyNeedUpdate)
        return;
    const int keyBits = 128 + 64 * int(FKeyBits);
    // No hashing: the text's bytes are the key, zero-padded or cut.
    quint8 key[32] = {};
    const QByteArray bytes = KeyTextBytes(FKey);
    std::memcpy(key, bytes.constData(), size_t(std::min<qsizetype>(bytes.size(), keyBits / 8)));
    Nr = quint32(AesTablePath::ExpandKey(key, keyBits, FEncryptRK));
    AesTablePath::InvertKey(FEncryptRK, int(Nr), FDecryptRK);
    KeyNeedUpdate = false;
}

void TAESChipher::EncryptRun(const quint8* src, quint8* dest, qsizetype blocks, quint8* chain) const
{
    const int nr = int(Nr);
    const bool fast = UsesAesInstructions();
    if (FMode == cmCBC) {
        if (fast)
            AesInstructionPath::EncryptCbc(FEncryptRK, nr, src, dest, blocks, chain);
        else
            AesTablePath::EncryptCbc(FEncryptRK, nr, src, dest, blocks, chain);
    } else if (fast) {
        AesInstructionPath::EncryptEcb(FEncryptRK, nr, src, dest, blocks);
    } else {
        AesTablePath::EncryptEcb(FEncryptRK, nr, src, dest, blocks);
    }
}

void TAESChipher::DecryptRun(const quint8* src, quint8* dest, qsizetype blocks, quint8* chain) const
{
    const int nr = int(Nr);
    const bool fast = UsesAesInstructions();
    if (FMode == cmCBC) {
        if (fast)
            AesInstructionPath::DecryptCbc(FDecryptRK, nr, src, dest, blocks, chain);
        else
            AesTablePath::DecryptCbc(FDecryptRK, nr, src, dest, blocks, chain);
    } else if (fast) {
        AesInstructionPath::DecryptEcb(FDecryptRK, nr, src, dest, blocks);
    } else {
        AesTablePath::DecryptEcb(FDecryptRK, nr, src, dest, blocks);
    }
}

int TAESChipher::BufferEncrypt(const void* src, int srcCount, void* dest, int& destCount)
{
    if (srcCount <= 0)
        return ErrNoSource;
    const qint64 need = CipherBuffer::SizeFor(srcCount);
    if (need > INT_MAX)
        return ErrBadLength;
    if (destCount < need) {
        destCount = int(need);
        return ErrDestTooSmall;
    }
    if (!src)
        return ErrNoSource;
    if (!dest)
        return ErrNoDest;
    destCount = int(need);
    UpdateKey();
    const auto* in = static_cast<const quint8*>(src);
    auto* out = static_cast<quint8*>(dest);
    CipherBuffer::WriteLength(out, srcCount);
    out += CipherBuffer::kPrefixSize;
    quint8 chain[kBlockSize];
    std::memcpy(chain, InitVector, kBlockSize);
    const int full = srcCount / kBlockSize;
    const int rest = srcCount % kBlockSize;
    EncryptRun(in, out, full, chain);
    if (rest) {
        quint8 last[kBlockSize] = {};
        std::memcpy(last, in + qsizetype(full) * kBlockSize, size_t(rest));
        EncryptRun(last, out + qsizetype(full) * kBlockSize, 1, chain);
    }
    return srcCount;
}

int TAESChipher::BufferDecrypt(const void* src, int srcCount, void* dest, int& destCount)
{
    if (!src || srcCount <= 0)
        return ErrNoSource;
    const int body = srcCount - CipherBuffer::kPrefixSize;
    if (body <= 0 || body % kBlockSize != 0)
        return 0;
    const auto* in = static_cast<const quint8*>(src);
    const qint32 plainLength = CipherBuffer::ReadLength(in);
    if (plainLength < 0)
        return ErrNegativeLength;
    // A length that disagrees with the block count would write past a
    // destination sized for it; BufferEncrypt never writes such a buffer.
    const qsizetype blocks = body / kBlockSize;
    if (CipherBuffer::BlocksFor(plainLength) != blocks)
        return ErrBadLength;
    if (destCount < plainLength) {
        destCount = plainLength;
        return ErrDestTooSmall;
    }
    if (!dest)
        return ErrNoDest;
    destCount = plainLength;
    UpdateKey();
    auto* out = static_cast<quint8*>(dest);
    in += CipherBuffer::kPrefixSize;
    quint8 chain[kBlockSize], last[kBlockSize];
    std::memcpy(chain, InitVector, kBlockSize);
    DecryptRun(in, out, blocks - 1, chain);
    DecryptRun(in + (blocks - 1) * kBlockSize, last, 1, chain);
    std::memcpy(out + (blocks - 1) * kBlockSize, last, size_t(CipherBuffer::LastBlockBytes(plainLength)));
    return srcCount;
}

int TAESChipher::BlocksEncrypt(const void* src, int count, void* dest)
{
    if (!dest)
        return ErrNoDest;
    if (count < 0 || count % kBlockSize != 0)
        return ErrBadLength;
    if (!src)
        return ErrNoSource;
    UpdateKey();
    quint8 chain[kBlockSize];
    std::memcpy(chain, InitVector, kBlockSize);
    EncryptRun(static_cast<const quint8*>(src), static_cast<quint8*>(dest), count / kBlockSize, chain);
    return count;
}

int TAESChipher::BlocksDecrypt(const void* src, int count, void* dest)
{
    if (!dest)
        return ErrNoDest;
    if (count < 0 || count % kBlockSize != 0)
        return ErrBadLength;
    if (!src)
        return ErrNoSource;
    UpdateKey();
    quint8 chain[kBlockSize];
    std::memcpy(chain, InitVector, kBlockSize);
    DecryptRun(static_cast<const quint8*>(src), static_cast<quint8*>(dest), count / kBlockSize, chain);
    return count;
}

int TAESChipher::StreamEncrypt(QIODevice& src, QIODevice& dest)
{
    if (!src.isReadable())
        return ErrNoSource;
    if (!dest.isWritable())
        return ErrNoDest;
    if (src.isSequential()) {
        // The length goes first, so a pipe is read whole before anything is written.
        QByteArray all = src.readAll();
        QBuffer buffer(&all);
        buffer.open(QIODevice::ReadOnly);
        return StreamEncrypt(buffer, dest);
    }
    const qint64 count = src.size() - src.pos();
    if (count <= 0)
        return 0;
    if (CipherBuffer::SizeFor(count) > INT_MAX)
        return ErrBadLength;
    UpdateKey();
    quint8 prefix[CipherBuffer::kPrefixSize];
    CipherBuffer::WriteLength(prefix, qint32(count));
    WriteAll(dest, prefix, sizeof prefix);
    EncryptStreamBody(src, dest, count);
    return int(count);
}

void TAESChipher::EncryptStreamBody(QIODevice& src, QIODevice& dest, qint64 count)
{
    std::vector<quint8> chunk(static_cast<size_t>(kChunkSize));
    quint8 chain[kBlockSize];
    std::memcpy(chain, InitVector, kBlockSize);
    for (qint64 left = count; left > 0;) {
        const qint64 take = std::min(left, kChunkSize);
        ReadExactly(src, chunk.data(), take);
        const qint64 padded = CipherBuffer::BlocksFor(take) * kBlockSize;
        std::fill(chunk.begin() + take, chunk.begin() + padded, quint8(0));
        EncryptRun(chunk.data(), chunk.data(), padded / kBlockSize, chain);
        WriteAll(dest, chunk.data(), padded);
        left -= take;
    }
}

int TAESChipher::StreamDecrypt(QIODevice& src, QIODevice& dest)
{
    if (!src.isReadable())
        return ErrNoSource;
    if (!dest.isWritable())
        return ErrNoDest;
    if (src.isSequential()) {
        QByteArray all = src.readAll();
        QBuffer buffer(&all);
        buffer.open(QIODevice::ReadOnly);
        return StreamDecrypt(buffer, dest);
    }
    const qint64 count = src.size() - src.pos();
    // A length with no block at all is refused like any other bad length.
    if (count % kBlockSize != CipherBuffer::kPrefixSize || count == CipherBuffer::kPrefixSize
        || count > INT_MAX)
        return ErrBadLength;
    quint8 prefix[CipherBuffer::kPrefixSize];
    if (src.peek(reinterpret_cast<char*>(prefix), sizeof prefix) != qint64(sizeof prefix))
        throw Exception(QStringLiteral("Stream read error"));
    const qint32 plainLength = CipherBuffer::ReadLength(prefix);
    if (plainLength < 0)
        return ErrNegativeLength;
    const qint64 blocks = (count - CipherBuffer::kPrefixSize) / kBlockSize;
    if (CipherBuffer::BlocksFor(plainLength) != blocks)
        return ErrBadLength;
    UpdateKey();
    ReadExactly(src, prefix, sizeof prefix);
    DecryptStreamBody(src, dest, blocks, plainLength);
    return int(count);
}

void TAESChipher::DecryptStreamBody(QIODevice& src, QIODevice& dest, qint64 blocks, int plainLength)
{
    std::vector<quint8> chunk(static_cast<size_t>(kChunkSize));
    quint8 chain[kBlockSize];
    std::memcpy(chain, InitVector, kBlockSize);
    qint64 plainLeft = plainLength;
    for (qint64 left = blocks * kBlockSize; left > 0;) {
        const qint64 take = std::min(left, kChunkSize);
        ReadExactly(src, chunk.data(), take);
        DecryptRun(chunk.data(), chunk.data(), take / kBlockSize, chain);
        const qint64 keep = std::min(take, plainLeft);
        WriteAll(dest, chunk.data(), keep);
        plainLeft -= keep;
        left -= take;
    }
}

QByteArray TAESChipher::StringEncrypt(const QByteArray& value)
{
    if (value.isEmpty() || value.size() > INT_MAX)
        return {};
    int size = 0;
    if (BufferEncrypt(value.constData(), int(value.size()), nullptr, size) != ErrDestTooSmall)
        return {};
    QByteArray out(size, Qt::Uninitialized);
    if (BufferEncrypt(value.constData(), int(value.size()), out.data(), size) < 0)
        return {};
    return out;
}

QByteArray TAESChipher::StringDecrypt(const QByteArray& value)
{
    if (value.isEmpty() || value.size() > INT_MAX)
        return {};
    int size = 0;
    if (BufferDecrypt(value.constData(), int(value.size()), nullptr, size) != ErrDestTooSmall)
        return {};
    QByteArray out(size, Qt::Uninitialized);
    if (BufferDecrypt(value.constData(), int(value.size()), out.data(), size) <= 0)
        return {};
    return out;
}

void TAESChipher::BlockEncryptRounds(PBlockWord8 block, int rounds)
{
    if (block)
        AesTablePath::EncryptRounds(FEncryptRK, int(Nr), rounds, block, block);
}

void TAESChipher::BlockDecryptRounds(PBlockWord8 block, int rounds)
{
    if (block)
        AesTablePath::DecryptRounds(FDecryptRK, int(Nr), rounds, block, block);
}
