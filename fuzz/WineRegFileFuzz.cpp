// Fuzz target: the Wine registry file parser. A file it accepts must be
// written back and read again without trouble.
#include "platform/WineRegFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    TRegKey root;
    QByteArray arch;
    if (!TWineRegFile::Read(bytes, root, arch, 1))
        return 0;
    const QByteArray written = TWineRegFile::Write(root, { QStringLiteral("REGISTRY"), QStringLiteral("User") }, arch);
    TRegKey again;
    QByteArray archAgain;
    (void)TWineRegFile::Read(written, again, archAgain, 1);
    return 0;
}
