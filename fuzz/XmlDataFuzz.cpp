// Fuzz target: the XML storage reader. The input's first byte is a flag
// (bit 0: merge into a tree that already holds keys instead of a plain
// load); the rest is the file, handed over through the load event so no
// file is touched. The text's encoding comes from the bytes themselves.
#include "backends/TrsXMLData.h"
#include "framework/Exception.h"
#include "storage/TrsStorage.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const bool merge = data[0] & 1;
    const QByteArray file(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    TComponent owner;
    auto* storage = new TrsStorage(&owner);
    auto* xml = new TrsXMLData(&owner);
    storage->SetOptions({});
    xml->SetOnLoadFromStream([&file](TObject*, QBuffer& stream, bool&) { stream.write(file); });
    storage->SetStorageData(xml);
    try {
        if (merge) {
            storage->WriteString(QStringLiteral("mirovane3\\jpegquality.Value"), QStringLiteral("80"));
            storage->WriteInteger(QStringLiteral("k"), 1);
            storage->Merge();
        } else {
            storage->Load();
        }
        // Walk what was read, as the saver does.
        for (int i = storage->SectionFirst(); i >= 0; i = storage->SectionNext())
            (void)storage->GetSectionPath(i);
        storage->SetRootSection(QString());
        for (int i = storage->KeyFirst(); i >= 0; i = storage->KeyNext())
            (void)storage->GetKeyItem(i)->Value.kvType;
    } catch (const Exception&) {
    }
    return 0;
}
