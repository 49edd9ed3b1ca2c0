#include "crypto/AesInstructionPath.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

#define MIROVANE_AES_TARGET __attribute__((target("aes,sse4.1")))
// The lanes must stay in registers; a call would spill them to memory.
#define MIROVANE_AES_INLINE inline __attribute__((always_inline))

namespace {

// Eight blocks in flight hide the latency of the AES instructions.
constexpr qsizetype kLanes = 8;

// The schedules hold big-endian words; the instructions want the block's
// bytes in memory order, so every word is byte-swapped on loading.
MIROVANE_AES_TARGET void LoadSchedule(const quint32* words, int nr, __m128i* keys)
{
    const __m128i swap = _mm_set_epi8(12, 13, 14, 15, 8, 9, 10, 11, 4, 5, 6, 7, 0, 1, 2, 3);
    for (int r = 0; r <= nr; ++r)
        keys[r] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(words + 4 * r)), swap);
}

MIROVANE_AES_TARGET inline __m128i Load(const quint8* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

MIROVANE_AES_TARGET inline void Store(quint8* p, __m128i v)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

MIROVANE_AES_TARGET inline __m128i EncryptOne(const __m128i* keys, int nr, __m128i block)
{
    block = _mm_xor_si128(block, keys[0]);
    for (int r = 1; r < nr; ++r)
        block = _mm_aesenc_si128(block, keys[r]);
    return _mm_aesenclast_si128(block, keys[nr]);
}

MIROVANE_AES_TARGET inline __m128i DecryptOne(const __m128i* keys, int nr, __m128i block)
{
    block = _mm_xor_si128(block, keys[0]);
    for (int r = 1; r < nr; ++r)
        block = _mm_aesdec_si128(block, keys[r]);
    return _mm_aesdeclast_si128(block, keys[nr]);
}

MIROVANE_AES_TARGET MIROVANE_AES_INLINE void EncryptLanes(const __m128i* keys, int nr, __m128i* b)
{
    for (qsizetype j = 0; j < kLanes; ++j)
        b[j] = _mm_xor_si128(b[j], keys[0]);
    for (int r = 1; r < nr; ++r) {
        for (qsizetype j = 0; j < kLanes; ++j)
            b[j] = _mm_aesenc_si128(b[j], keys[r]);
    }
    for (qsizetype j = 0; j < kLanes; ++j)
        b[j] = _mm_aesenclast_si128(b[j], keys[nr]);
}

MIROVANE_AES_TARGET MIROVANE_AES_INLINE void DecryptLanes(const __m128i* keys, int nr, __m128i* b)
{
    for (qsizetype j = 0; j < kLanes; ++j)
        b[j] = _mm_xor_si128(b[j], keys[0]);
    for (int r = 1; r < nr; ++r) {
        for (qsizetype j = 0; j < kLanes; ++j)
            b[j] = _mm_aesdec_si128(b[j], keys[r]);
    }
    for (qsizetype j = 0; j < kLanes; ++j)
        b[j] = _mm_aesdeclast_si128(b[j], keys[nr]);
}

} // namespace

namespace AesInstructionPath {

bool Available()
{
    static const bool available = __builtin_cpu_supports("aes") && __builtin_cpu_supports("sse4.1");
    return available;
}

MIROVANE_AES_TARGET void EncryptEcb(
    const quint32* ek, int nr, const quint8* src, quint8* dest, qsizetype blocks)
{
    __m128i keys[15], lanes[kLanes];
    LoadSchedule(ek, nr, keys);
    qsizetype i = 0;
    for (; i + kLanes <= blocks; i += kLanes) {
        for (qsizetype j = 0; j < kLanes; ++j)
            lanes[j] = Load(src + 16 * (i + j));
        EncryptLanes(keys, nr, lanes);
        for (qsizetype j = 0; j < kLanes; ++j)
            Store(dest + 16 * (i + j), lanes[j]);
    }
    for (; i < blocks; ++i)
        Store(dest + 16 * i, EncryptOne(keys, nr, Load(src + 16 * i)));
}

MIROVANE_AES_TARGET void DecryptEcb(
    const quint32* dk, int nr, const quint8* src, quint8* dest, qsizetype blocks)
{
    __m128i keys[15], lanes[kLanes];
    LoadSchedule(dk, nr, keys);
    qsizetype i = 0;
    for (; i + kLanes <= blocks; i += kLanes) {
        for (qsizetype j = 0; j < kLanes; ++j)
            lanes[j] = Load(src + 16 * (i + j));
        DecryptLanes(keys, nr, lanes);
        for (qsizetype j = 0; j < kLanes; ++j)
            Store(dest + 16 * (i + j), lanes[j]);
    }
    for (; i < blocks; ++i)
        Store(dest + 16 * i, DecryptOne(keys, nr, Load(src + 16 * i)));
}

MIROVANE_AES_TARGET void EncryptCbc(
    const quint32* ek, int nr, const quint8* src, quint8* dest, qsizetype blocks, quint8* chain)
{
    __m128i keys[15];
    LoadSchedule(ek, nr, keys);
    __m128i last = Load(chain);
    for (qsizetype i = 0; i < blocks; ++i) {
        last = EncryptOne(keys, nr, _mm_xor_si128(Load(src + 16 * i), last));
        Store(dest + 16 * i, last);
    }
    Store(chain, last);
}

MIROVANE_AES_TARGET void DecryptCbc(
    const quint32* dk, int nr, const quint8* src, quint8* dest, qsizetype blocks, quint8* chain)
{
    __m128i keys[15], cipher[kLanes], lanes[kLanes];
    LoadSchedule(dk, nr, keys);
    __m128i last = Load(chain);
    qsizetype i = 0;
    for (; i + kLanes <= blocks; i += kLanes) {
        // All cipher blocks are read before any is written: DEST may be SRC.
        for (qsizetype j = 0; j < kLanes; ++j)
            lanes[j] = cipher[j] = Load(src + 16 * (i + j));
        DecryptLanes(keys, nr, lanes);
        for (qsizetype j = 0; j < kLanes; ++j) {
            Store(dest + 16 * (i + j), _mm_xor_si128(lanes[j], last));
            last = cipher[j];
        }
    }
    for (; i < blocks; ++i) {
        const __m128i block = Load(src + 16 * i);
        Store(dest + 16 * i, _mm_xor_si128(DecryptOne(keys, nr, block), last));
        last = block;
    }
    Store(chain, last);
}

} // namespace AesInstructionPath

#else // not x86: the table path does all the work.

namespace AesInstructionPath {

bool Available()
{
    return false;
}

void EncryptEcb(const quint32*, int, const quint8*, quint8*, qsizetype)
{
}
void DecryptEcb(const quint32*, int, const quint8*, quint8*, qsizetype)
{
}
void EncryptCbc(const quint32*, int, const quint8*, quint8*, qsizetype, quint8*)
{
}
void DecryptCbc(const quint32*, int, const quint8*, quint8*, qsizetype, quint8*)
{
}

} // namespace AesInstructionPath

#endif
