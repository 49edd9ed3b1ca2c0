#include "framework/Exception.h"

#include <QFileInfo>

Exception::Exception(QString message) : FMessage(std::move(message)), FUtf8(FMessage.toUtf8()) {}

void RaiseInvalidInteger(const QString& text)
{
    throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

static QString FullName(const QString& fileName)
{
    return fileName.isEmpty() ? fileName : QFileInfo(fileName).absoluteFilePath();
}

void RaiseFileOpenError(const QString& fileName, const QString& systemText)
{
    throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(FullName(fileName), systemText));
}

QString FileCreateErrorText(const QString& fileName, const QString& systemText)
{
    return QStringLiteral("Cannot create file \"%1\". %2").arg(FullName(fileName), systemText);
}

void RaiseFileCreateError(const QString& fileName, const QString& systemText)
{
    throw EFCreateError(FileCreateErrorText(fileName, systemText));
}
