#include "framework/TextCompare.h"

namespace {

inline char16_t FoldAscii(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
}

// Folds one code point, surrogate pairs included.
char32_t FoldAt(QStringView s, qsizetype& i)
{
    char32_t c = s[i].unicode();
    if (QChar::isHighSurrogate(c) && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
        c = QChar::surrogateToUcs4(char16_t(c), s[i + 1].unicode());
        ++i;
    }
    ++i;
    return QChar::toCaseFolded(c);
}

int CompareFolded(QStringView a, QStringView b, qsizetype i, qsizetype j)
{
    while (i < a.size() && j < b.size()) {
        const char32_t ca = FoldAt(a, i);
        const char32_t cb = FoldAt(b, j);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

} // namespace

int CompareText(QStringView a, QStringView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    const char16_t* pa = reinterpret_cast<const char16_t*>(a.data());
    const char16_t* pb = reinterpret_cast<const char16_t*>(b.data());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t ca = pa[i];
        const char16_t cb = pb[i];
        if ((ca | cb) >= 0x80)
            return CompareFolded(a, b, i, i);
        if (ca != cb) {
            const char16_t fa = FoldAscii(ca);
            const char16_t fb = FoldAscii(cb);
            if (fa != fb)
                return fa < fb ? -1 : 1;
        }
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}
