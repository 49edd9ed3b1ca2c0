#include "platform/RegText.h"

#include <QtEndian>

QByteArray RegStringBytes(QStringView text, bool terminate)
{
    const qsizetype units = text.size() + (terminate ? 1 : 0);
    QByteArray bytes(units * 2, '\0');
    for (qsizetype i = 0; i < text.size(); ++i)
        qToLittleEndian<quint16>(text[i].unicode(), bytes.data() + i * 2);
    return bytes;
}

QString RegBytesText(QByteArrayView bytes)
{
    QString text(bytes.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = QChar(qFromLittleEndian<quint16>(bytes.data() + i * 2));
    return text;
}
