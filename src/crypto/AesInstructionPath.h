// The AES block transform on the processor's AES instructions. It takes the
// same word schedules as the table path (AesTablePath) and gives the same
// bytes; it is only used when Available() says the processor has them.
//
// Callers own every array. Stateless and thread-safe.
#pragma once

#include <QtGlobal>

namespace AesInstructionPath {

// True when this processor has the AES and SSE4.1 instructions.
bool Available();

// As the functions of the same names in AesTablePath, for full rounds only.
void EncryptEcb(const quint32* ek, int nr, const quint8* src, quint8* dest, qsizetype blocks);
void DecryptEcb(const quint32* dk, int nr, const quint8* src, quint8* dest, qsizetype blocks);
void EncryptCbc(const quint32* ek, int nr, const quint8* src, quint8* dest, qsizetype blocks, quint8* chain);
void DecryptCbc(const quint32* dk, int nr, const quint8* src, quint8* dest, qsizetype blocks, quint8* chain);

} // namespace AesInstructionPath
