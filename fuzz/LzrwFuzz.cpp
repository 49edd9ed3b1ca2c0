// Fuzz target: LZRW DecompressStream over arbitrary bytes.
#include "framework/Exception.h"
#include "storage/Lzrw.h"

#include <QBuffer>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer source(&bytes);
    source.open(QIODevice::ReadOnly);
    QBuffer target;
    target.open(QIODevice::WriteOnly);
    try {
        DecompressStream(source, target);
    } catch (const Exception&) {
    }
    return 0;
}
