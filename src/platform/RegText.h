// Registry string data: UTF-16 little-endian bytes, as REG_SZ, REG_EXPAND_SZ
// and REG_MULTI_SZ values hold them in files and through the wide functions.
// The one place that knows this byte order. Thread-safe.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// TEXT as UTF-16LE bytes, followed by one zero unit when TERMINATE is set.
QByteArray RegStringBytes(QStringView text, bool terminate);

// The UTF-16LE units of BYTES; an odd last byte is ignored.
QString RegBytesText(QByteArrayView bytes);
