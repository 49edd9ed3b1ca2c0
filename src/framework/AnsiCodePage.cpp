#include "framework/AnsiCodePage.h"

#include "framework/Exception.h"

#include <unicode/ucnv.h>


namespace {

const char* const kDefaultCodePage = "windows-1252";

QByteArray ChosenCodePage()
{
    const QByteArray chosen = qgetenv("MIROVANE_ANSI_CODEPAGE").trimmed();
    return chosen.isEmpty() ? QByteArray(kDefaultCodePage) : chosen;
}

// One converter per call keeps this thread-safe; opening one is cheap
// next to the file access around it.
struct Converter {
    UConverter* handle = nullptr;
    Converter()
    {
        UErrorCode status = U_ZERO_ERROR;
        handle = ucnv_open(ChosenCodePage().constData(), &status);
        if (U_FAILURE(status)) {
            status = U_ZERO_ERROR;
            handle = ucnv_open(kDefaultCodePage, &status);
        }
        if (U_FAILURE(status))
            throw Exception(QStringLiteral("The ANSI code page cannot be opened."));
        status = U_ZERO_ERROR;
        ucnv_setSubstChars(handle, "?", 1, &status);
    }
    ~Converter() { ucnv_close(handle); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
};

} // namespace

QByteArray AnsiEncode(QStringView text)
{
    if (text.isEmpty())
        return {};
    Converter converter;
    QByteArray out(text.size() * ucnv_getMaxCharSize(converter.handle) + 1, Qt::Uninitialized);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucnv_fromUChars(converter.handle, out.data(), int32_t(out.size()),
                                           reinterpret_cast<const UChar*>(text.utf16()),
                                           int32_t(text.size()), &status);
    if (U_FAILURE(status))
        throw Exception(QStringLiteral("Text cannot be converted to the ANSI code page."));
    out.truncate(length);
    return out;
}

QString AnsiDecode(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return {};
    Converter converter;
    QString out(bytes.size() * 2 + 1, Qt::Uninitialized);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucnv_toUChars(converter.handle, reinterpret_cast<UChar*>(out.data()),
                                         int32_t(out.size()), bytes.data(), int32_t(bytes.size()),
                                         &status);
    if (U_FAILURE(status))
        throw Exception(QStringLiteral("Text cannot be converted from the ANSI code page."));
    out.truncate(length);
    return out;
}

QString AnsiCodePageName()
{
    Converter converter;
    UErrorCode status = U_ZERO_ERROR;
    return QString::fromLatin1(ucnv_getName(converter.handle, &status));
}
