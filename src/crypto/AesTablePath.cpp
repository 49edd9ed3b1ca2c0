#include "crypto/AesTablePath.h"

#include <array>
#include <cstring>

namespace {

using Table = std::array<quint32, 256>;

// GF(2^8) arithmetic modulo x^8 + x^4 + x^3 + x + 1, used only to derive the
// tables at compile time.
constexpr quint8 XTime(quint8 a)
{
    return quint8((a << 1) ^ ((a & 0x80) ? 0x1b : 0));
}

constexpr quint8 Mul(quint8 a, quint8 b)
{
    quint8 product = 0;
    for (; b; b >>= 1, a = XTime(a)) {
        if (b & 1)
            product ^= a;
    }
    return product;
}

constexpr quint8 Inverse(quint8 a)
{
    if (a == 0)
        return 0;
    // a^254 = a^-1, by square and multiply: 254 plain multiplications per
    // entry exceed clang's constant-evaluation step limit.
    quint8 result = 1;
    for (int e = 254; e; e >>= 1, a = Mul(a, a)) {
        if (e & 1)
            result = Mul(result, a);
    }
    return result;
}

constexpr quint8 Rotl8(quint8 a, int n)
{
    return quint8((a << n) | (a >> (8 - n)));
}

constexpr std::array<quint8, 256> MakeSBox()
{
    std::array<quint8, 256> box {};
    for (int x = 0; x < 256; ++x) {
        const quint8 b = Inverse(quint8(x));
        box[x] = quint8(b ^ Rotl8(b, 1) ^ Rotl8(b, 2) ^ Rotl8(b, 3) ^ Rotl8(b, 4) ^ 0x63);
    }
    return box;
}

constexpr std::array<quint8, 256> kSBox = MakeSBox();

constexpr std::array<quint8, 256> MakeInvSBox()
{
    std::array<quint8, 256> box {};
    for (int x = 0; x < 256; ++x)
        box[kSBox[x]] = quint8(x);
    return box;
}

constexpr std::array<quint8, 256> kInvSBox = MakeInvSBox();

constexpr quint32 Word(quint8 b0, quint8 b1, quint8 b2, quint8 b3)
{
    return (quint32(b0) << 24) | (quint32(b1) << 16) | (quint32(b2) << 8) | b3;
}

constexpr quint32 Rotr(quint32 w, int n)
{
    return n ? (w >> n) | (w << (32 - n)) : w;
}

// Te0[x] is the MixColumns column of SubBytes(x) in row 0; Te1..Te3 are its
// byte rotations for rows 1..3. Td0..Td3 likewise for the inverse cipher.
constexpr Table MakeTe(int rotation)
{
    Table t {};
    for (int x = 0; x < 256; ++x) {
        const quint8 s = kSBox[x];
        t[x] = Rotr(Word(Mul(s, 2), s, s, Mul(s, 3)), rotation);
    }
    return t;
}

constexpr Table MakeTd(int rotation)
{
    Table t {};
    for (int x = 0; x < 256; ++x) {
        const quint8 s = kInvSBox[x];
        t[x] = Rotr(Word(Mul(s, 14), Mul(s, 9), Mul(s, 13), Mul(s, 11)), rotation);
    }
    return t;
}

constexpr Table kTe0 = MakeTe(0), kTe1 = MakeTe(8), kTe2 = MakeTe(16), kTe3 = MakeTe(24);
constexpr Table kTd0 = MakeTd(0), kTd1 = MakeTd(8), kTd2 = MakeTd(16), kTd3 = MakeTd(24);

inline quint32 LoadWord(const quint8* p)
{
    return Word(p[0], p[1], p[2], p[3]);
}

inline void StoreWord(quint8* p, quint32 w)
{
    p[0] = quint8(w >> 24);
    p[1] = quint8(w >> 16);
    p[2] = quint8(w >> 8);
    p[3] = quint8(w);
}

inline quint32 SubWord(quint32 w)
{
    return Word(kSBox[w >> 24], kSBox[(w >> 16) & 0xff], kSBox[(w >> 8) & 0xff], kSBox[w & 0xff]);
}

inline quint32 InvMixColumn(quint32 w)
{
    // Td tables apply InvSubBytes first, so undo it with the S-box.
    return kTd0[kSBox[w >> 24]] ^ kTd1[kSBox[(w >> 16) & 0xff]] ^ kTd2[kSBox[(w >> 8) & 0xff]]
        ^ kTd3[kSBox[w & 0xff]];
}

inline quint8 B(quint32 w, int shift)
{
    return quint8(w >> shift);
}

void XorBlock(quint8* dest, const quint8* a, const quint8* b)
{
    for (int i = 0; i < 16; ++i)
        dest[i] = quint8(a[i] ^ b[i]);
}

} // namespace

namespace AesTablePath {

int ExpandKey(const quint8* key, int keyBits, quint32* ek)
{
    const int nk = keyBits / 32;
    const int nr = nk + 6;
    const int total = 4 * (nr + 1);
    quint8 rcon = 1;
    for (int i = 0; i < nk; ++i)
        ek[i] = LoadWord(key + 4 * i);
    for (int i = nk; i < total; ++i) {
        quint32 temp = ek[i - 1];
        if (i % nk == 0) {
            temp = SubWord(Rotr(temp, 24)) ^ (quint32(rcon) << 24);
            rcon = XTime(rcon);
        } else if (nk > 6 && i % nk == 4) {
            temp = SubWord(temp);
        }
        ek[i] = ek[i - nk] ^ temp;
    }
    return nr;
}

void InvertKey(const quint32* ek, int nr, quint32* dk)
{
    for (int round = 0; round <= nr; ++round) {
        for (int j = 0; j < 4; ++j) {
            const quint32 w = ek[4 * (nr - round) + j];
            dk[4 * round + j] = (round == 0 || round == nr) ? w : InvMixColumn(w);
        }
    }
}

void EncryptRounds(const quint32* ek, int nr, int rounds, const quint8* in, quint8* out)
{
    quint32 s0 = LoadWord(in) ^ ek[0], s1 = LoadWord(in + 4) ^ ek[1];
    quint32 s2 = LoadWord(in + 8) ^ ek[2], s3 = LoadWord(in + 12) ^ ek[3];
    const int full = qMin(rounds, nr - 1);
    for (int r = 1; r <= full; ++r) {
        const quint32* rk = ek + 4 * r;
        const quint32 t0 = kTe0[B(s0, 24)] ^ kTe1[B(s1, 16)] ^ kTe2[B(s2, 8)] ^ kTe3[B(s3, 0)] ^ rk[0];
        const quint32 t1 = kTe0[B(s1, 24)] ^ kTe1[B(s2, 16)] ^ kTe2[B(s3, 8)] ^ kTe3[B(s0, 0)] ^ rk[1];
        const quint32 t2 = kTe0[B(s2, 24)] ^ kTe1[B(s3, 16)] ^ kTe2[B(s0, 8)] ^ kTe3[B(s1, 0)] ^ rk[2];
        const quint32 t3 = kTe0[B(s3, 24)] ^ kTe1[B(s0, 16)] ^ kTe2[B(s1, 8)] ^ kTe3[B(s2, 0)] ^ rk[3];
        s0 = t0, s1 = t1, s2 = t2, s3 = t3;
    }
    if (rounds == nr) {
        const quint32* rk = ek + 4 * nr;
        const auto& S = kSBox;
        const quint32 t0 = Word(S[B(s0, 24)], S[B(s1, 16)], S[B(s2, 8)], S[B(s3, 0)]) ^ rk[0];
        const quint32 t1 = Word(S[B(s1, 24)], S[B(s2, 16)], S[B(s3, 8)], S[B(s0, 0)]) ^ rk[1];
        const quint32 t2 = Word(S[B(s2, 24)], S[B(s3, 16)], S[B(s0, 8)], S[B(s1, 0)]) ^ rk[2];
        const quint32 t3 = Word(S[B(s3, 24)], S[B(s0, 16)], S[B(s1, 8)], S[B(s2, 0)]) ^ rk[3];
        s0 = t0, s1 = t1, s2 = t2, s3 = t3;
    }
    StoreWord(out, s0), StoreWord(out + 4, s1), StoreWord(out + 8, s2), StoreWord(out + 12, s3);
}

void DecryptRounds(const quint32* dk, int nr, int rounds, const quint8* in, quint8* out)
{
    quint32 s0 = LoadWord(in) ^ dk[0], s1 = LoadWord(in + 4) ^ dk[1];
    quint32 s2 = LoadWord(in + 8) ^ dk[2], s3 = LoadWord(in + 12) ^ dk[3];
    const int full = qMin(rounds, nr - 1);
    for (int r = 1; r <= full; ++r) {
        const quint32* rk = dk + 4 * r;
        const quint32 t0 = kTd0[B(s0, 24)] ^ kTd1[B(s3, 16)] ^ kTd2[B(s2, 8)] ^ kTd3[B(s1, 0)] ^ rk[0];
        const quint32 t1 = kTd0[B(s1, 24)] ^ kTd1[B(s0, 16)] ^ kTd2[B(s3, 8)] ^ kTd3[B(s2, 0)] ^ rk[1];
        const quint32 t2 = kTd0[B(s2, 24)] ^ kTd1[B(s1, 16)] ^ kTd2[B(s0, 8)] ^ kTd3[B(s3, 0)] ^ rk[2];
        const quint32 t3 = kTd0[B(s3, 24)] ^ kTd1[B(s2, 16)] ^ kTd2[B(s1, 8)] ^ kTd3[B(s0, 0)] ^ rk[3];
        s0 = t0, s1 = t1, s2 = t2, s3 = t3;
    }
    if (rounds == nr) {
        const quint32* rk = dk + 4 * nr;
        const auto& S = kInvSBox;
        const quint32 t0 = Word(S[B(s0, 24)], S[B(s3, 16)], S[B(s2, 8)], S[B(s1, 0)]) ^ rk[0];
        const quint32 t1 = Word(S[B(s1, 24)], S[B(s0, 16)], S[B(s3, 8)], S[B(s2, 0)]) ^ rk[1];
        const quint32 t2 = Word(S[B(s2, 24)], S[B(s1, 16)], S[B(s0, 8)], S[B(s3, 0)]) ^ rk[2];
        const quint32 t3 = Word(S[B(s3, 24)], S[B(s2, 16)], S[B(s1, 8)], S[B(s0, 0)]) ^ rk[3];
        s0 = t0, s1 = t1, s2 = t2, s3 = t3;
    }
    StoreWord(out, s0), StoreWord(out + 4, s1), StoreWord(out + 8, s2), StoreWord(out + 12, s3);
}

void EncryptEcb(const quint32* ek, int nr, const quint8* src, quint8* dest, qsizetype blocks)
{
    for (qsizetype i = 0; i < blocks; ++i)
        EncryptRounds(ek, nr, nr, src + 16 * i, dest + 16 * i);
}

void DecryptEcb(const quint32* dk, int nr, const quint8* src, quint8* dest, qsizetype blocks)
{
    for (qsizetype i = 0; i < blocks; ++i)
        DecryptRounds(dk, nr, nr, src + 16 * i, dest + 16 * i);
}

void EncryptCbc(const quint32* ek, int nr, const quint8* src, quint8* dest, qsizetype blocks, quint8* chain)
{
    quint8 block[16];
    for (qsizetype i = 0; i < blocks; ++i) {
        XorBlock(block, src + 16 * i, chain);
        EncryptRounds(ek, nr, nr, block, chain);
        std::memcpy(dest + 16 * i, chain, 16);
    }
}

void DecryptCbc(const quint32* dk, int nr, const quint8* src, quint8* dest, qsizetype blocks, quint8* chain)
{
    quint8 cipher[16], plain[16];
    for (qsizetype i = 0; i < blocks; ++i) {
        // Keep the cipher block first: DEST may be SRC.
        std::memcpy(cipher, src + 16 * i, 16);
        DecryptRounds(dk, nr, nr, cipher, plain);
        XorBlock(dest + 16 * i, plain, chain);
        std::memcpy(chain, cipher, 16);
    }
}

} // namespace AesTablePath
