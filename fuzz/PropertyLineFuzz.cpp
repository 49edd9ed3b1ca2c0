// Fuzz target: the property saver's line parser (TrsProperty). The input is
// UTF-16 text split into lines at LF; one descriptor parses them all, as
// the saver reuses one, and each parsed line is written back and parsed.
#include "persist/TrsProperty.h"

#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text(reinterpret_cast<const QChar*>(data), qsizetype(size / 2));
    TrsProperty property;
    for (const QString& line : text.split(u'\n')) {
        property.SetAsString(line);
        (void)property.NameInData();
        (void)property.Params();
        TrsProperty again;
        again.SetAsString(property.AsString());
        for (int i = 0, n = ValuesCount(line); i < n && i < 16; ++i)
            (void)ValueByIndex(line, i);
    }
    property.SetParams(text.left(8));
    return 0;
}
