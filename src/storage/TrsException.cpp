#include "storage/TrsException.h"

QString StorageErrorPrefix(int kind)
{
    switch (kind & 0x7F) {
    case ekGetKeyValue:
        return QStringLiteral("TrsStorage get key value error:");
    case ekXmlParser:
        return QStringLiteral("TrsXMLData parser error:");
    case ekSetKeyValue:
        return QStringLiteral("TrsStorage set key value error:");
    case ekSearchPrepare:
        return QStringLiteral("TrsSearch prepare search error:");
    case ekSearch:
        return QStringLiteral("TrsSearch error:");
    case ekRegData:
        return QStringLiteral("TrsRegData error:");
    default:
        return QStringLiteral("Storage library error:");
    }
}

void RaiseStorageError(int kind, const QString& text)
{
    throw TrsException(StorageErrorPrefix(kind) + QLatin1Char(' ') + text);
}
