// Fuzz target: the section stream reader (TrsStorage::SectionLoadFromStream).
// The first byte chooses where the stream lands: the top level of an empty
// tree, or a subsection of a tree that already holds sections and keys.
#include "framework/Exception.h"
#include "storage/TrsStorage.h"

#include <QBuffer>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const bool intoSection = data[0] & 1;
    QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    TrsStorage storage;
    QString section;
    if (intoSection) {
        storage.WriteInteger(QStringLiteral("a\\k"), 1);
        storage.WriteString(QStringLiteral("a\\b\\s"), QStringLiteral("x"));
        storage.WriteInteger(QStringLiteral("z\\k"), 2);
        section = QStringLiteral("a\\b");
    }
    QBuffer stream(&bytes);
    stream.open(QIODevice::ReadOnly);
    try {
        storage.SectionLoadFromStream(section, stream);
    } catch (const Exception&) {
    }
    // What was read must write back out.
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    try {
        storage.SectionSaveToStream(QString(), out);
    } catch (const Exception&) {
    }
    return 0;
}
