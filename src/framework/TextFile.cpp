#include "framework/TextFile.h"

#include "framework/AnsiCodePage.h"
#include "framework/Exception.h"
#include "framework/SafeFile.h"

#include <QByteArrayView>
#include <QFile>
#include <QStringDecoder>

namespace {

const char kUtf8Bom[] = "\xEF\xBB\xBF";
const char kUtf16LeBom[] = "\xFF\xFE";
const char kUtf16BeBom[] = "\xFE\xFF";

QString Decode(QStringConverter::Encoding encoding, QByteArrayView bytes)
{
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

} // namespace

QByteArray TextFileBytes(const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += AnsiEncode(line);
        bytes += "\r\n";
    }
    return bytes;
}

void WriteTextFile(const QString& fileName, const QStringList& lines)
{
    ReplaceFileSafely(fileName, TextFileBytes(lines));
}

QString ReadTextFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        RaiseFileOpenError(fileName, file.errorString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        RaiseFileOpenError(fileName, file.errorString());
    const QByteArrayView view(bytes);
    if (view.startsWith(QByteArrayView(kUtf8Bom)))
        return Decode(QStringConverter::Utf8, view.sliced(3));
    if (view.startsWith(QByteArrayView(kUtf16LeBom)))
        return Decode(QStringConverter::Utf16LE, view.sliced(2));
    if (view.startsWith(QByteArrayView(kUtf16BeBom)))
        return Decode(QStringConverter::Utf16BE, view.sliced(2));
    return AnsiDecode(view);
}
