#include "framework/FileNames.h"

namespace {

// Index of the first character of the file-name part.
qsizetype NameStart(QStringView fileName)
{
    return fileName.lastIndexOf(u'/') + 1;
}

// Index of the extension's ".", or the length when there is none.
qsizetype ExtStart(QStringView fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return dot >= NameStart(fileName) ? dot : fileName.size();
}

} // namespace

QString ExtractFilePath(QStringView fileName)
{
    return fileName.left(NameStart(fileName)).toString();
}

QString ExtractFileName(QStringView fileName)
{
    return fileName.mid(NameStart(fileName)).toString();
}

QString ExtractFileExt(QStringView fileName)
{
    return fileName.mid(ExtStart(fileName)).toString();
}

QString ChangeFileExt(QStringView fileName, QStringView extension)
{
    return fileName.left(ExtStart(fileName)).toString() + extension.toString();
}
