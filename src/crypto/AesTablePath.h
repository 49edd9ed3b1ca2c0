// The table-driven AES block transform of FIPS-197: the key expansion, the
// decryption schedule of the equivalent inverse cipher (5.3.5), and whole
// runs of blocks in ECB or CBC. It is the baseline every processor can run
// and the reference the instruction path must agree with byte for byte.
//
// Round keys are 32-bit words holding the block bytes in big-endian order;
// callers own the arrays. The tables are constant, so everything here is
// thread-safe.
#pragma once

#include <QtGlobal>

namespace AesTablePath {

// Builds the encryption schedule of a key of KEYBITS (128, 192 or 256) bits
// into ek (room for 60 words) and returns the number of rounds.
int ExpandKey(const quint8* key, int keyBits, quint32* ek);
// Builds the decryption schedule for NR rounds from the encryption schedule.
void InvertKey(const quint32* ek, int nr, quint32* dk);

// One block, with the initial key addition, min(ROUNDS, NR - 1) full rounds
// and the final round only when ROUNDS equals NR. IN and OUT may be the same.
void EncryptRounds(const quint32* ek, int nr, int rounds, const quint8* in, quint8* out);
void DecryptRounds(const quint32* dk, int nr, int rounds, const quint8* in, quint8* out);

// BLOCKS consecutive 16-byte blocks. CHAIN is the CBC value carried from call
// to call: the previous cipher block. SRC and DEST may be the same memory.
void EncryptEcb(const quint32* ek, int nr, const quint8* src, quint8* dest, qsizetype blocks);
void DecryptEcb(const quint32* dk, int nr, const quint8* src, quint8* dest, qsizetype blocks);
void EncryptCbc(const quint32* ek, int nr, const quint8* src, quint8* dest, qsizetype blocks, quint8* chain);
void DecryptCbc(const quint32* dk, int nr, const quint8* src, quint8* dest, qsizetype blocks, quint8* chain);

} // namespace AesTablePath
