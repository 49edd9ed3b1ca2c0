// TAESChipher: AES-128/192/256 in ECB or CBC over blocks, buffers, streams
// and 8-bit strings. The key is the key text's bytes, zero-padded or cut to
// the key length (no derivation), so files written by the old product stay
// readable.
//
// Data that is not a whole number of blocks travels as a cipher buffer: a
// 4-byte little-endian plain length L, then the zero-padded data enciphered
// block by block. Only TAESChipher.cpp knows that layout.
//
// Failures are integer return codes, never exceptions, except for stream
// devices that fail to read or write. The round keys are rebuilt lazily on
// the next operation after Key or KeyBits changed, so one object must not be
// used by two threads at once. The block transform runs on the processor's
// AES instructions when it has them and on tables otherwise; both give the
// same bytes.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QtGlobal>

class QIODevice;

// In a Q_NAMESPACE so that the AES encryptor publishes them with their
// value names.
namespace AESChipherTypes {
Q_NAMESPACE

enum TAESChipherKeyBits { ck128, ck192, ck256 };
Q_ENUM_NS(TAESChipherKeyBits)

enum TAESChipherMode { cmECB, cmCBC };
Q_ENUM_NS(TAESChipherMode)

} // namespace AESChipherTypes

using AESChipherTypes::TAESChipherKeyBits;
using AESChipherTypes::TAESChipherMode;
using enum AESChipherTypes::TAESChipherKeyBits;
using enum AESChipherTypes::TAESChipherMode;

// One 16-byte block.
using PBlockWord8 = quint8*;

class TAESChipher {
public:
    // Return codes shared by the operations; a result of 1 or more is the
    // source length.
    enum : int {
        ErrNoSource = -1, // no source, or nothing to encipher
        ErrNoDest = -2,
        ErrDestTooSmall = -3, // destCount now holds the size needed
        ErrBadLength = -4, // the source length does not fit the block layout
        ErrNegativeLength = -5, // the stored plain length is negative
    };

    TAESChipher();

    TAESChipherMode Mode() const { return FMode; }
    void SetMode(TAESChipherMode mode) { FMode = mode; }
    TAESChipherKeyBits KeyBits() const { return FKeyBits; }
    void SetKeyBits(TAESChipherKeyBits keyBits);
    const QString& Key() const { return FKey; }
    void SetKey(const QString& key);

    // Writes the cipher buffer of SRCCOUNT bytes to DEST. The size check
    // comes first, so a call without source and destination reports the size
    // needed (-3). SRC and DEST must not overlap.
    int BufferEncrypt(const void* src, int srcCount, void* dest, int& destCount);
    // Reads a cipher buffer and writes its L plain bytes. 0 when SRCCOUNT is
    // not 4 plus a positive multiple of 16; -4 when L does not match the
    // number of blocks. Nothing is written unless the result is positive.
    int BufferDecrypt(const void* src, int srcCount, void* dest, int& destCount);

    // COUNT bytes (a multiple of 16) without a length prefix; returns COUNT.
    int BlocksEncrypt(const void* src, int count, void* dest);
    int BlocksDecrypt(const void* src, int count, void* dest);

    // The cipher buffer of the bytes from SRC's position to its end, written
    // at DEST's position, and back. A device that cannot be read is "no
    // source" (-1), one that cannot be written "no destination" (-2).
    // Returns the number of source bytes consumed; Exception on an I/O error.
    int StreamEncrypt(QIODevice& src, QIODevice& dest);
    int StreamDecrypt(QIODevice& src, QIODevice& dest);

    // The cipher buffer of VALUE, or its deciphered bytes; empty when VALUE
    // is empty or rejected.
    QByteArray StringEncrypt(const QByteArray& value);
    QByteArray StringDecrypt(const QByteArray& value);

    // One block in place with ROUNDS rounds (the last round only when ROUNDS
    // is the key's full count). These use the round keys as they stand and
    // do not rebuild them after a key change.
    void BlockEncryptRounds(PBlockWord8 block, int rounds);
    void BlockDecryptRounds(PBlockWord8 block, int rounds);

    // Process-wide: compute on tables even where the processor has AES
    // instructions. The environment variable MIROVANE_AES_FORCE_TABLE (any
    // value but "0") sets it at start.
    static void SetForceTablePath(bool force);
    static bool UsesAesInstructions();

private:
    void UpdateKey();
    void EncryptRun(const quint8* src, quint8* dest, qsizetype blocks, quint8* chain) const;
    void DecryptRun(const quint8* src, quint8* dest, qsizetype blocks, quint8* chain) const;
    void EncryptStreamBody(QIODevice& src, QIODevice& dest, qint64 count);
    void DecryptStreamBody(QIODevice& src, QIODevice& dest, qint64 blocks, int plainLength);

    QString FKey;
    TAESChipherKeyBits FKeyBits = ck128;
    TAESChipherMode FMode = cmECB;
    quint32 Nr = 10;
    quint32 FEncryptRK[60] = {};
    quint32 FDecryptRK[60] = {};
    bool KeyNeedUpdate = true;
    quint8 InitVector[16] = {};
};
