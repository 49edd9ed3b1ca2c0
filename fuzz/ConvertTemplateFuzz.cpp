// Fuzz target: the whole conversion of an arbitrary file, as the button
// runs it. One updater form is built at start-up over an empty Wine prefix
// and converts every input in turn, as the program converts one template
// after another; each input is written to a temporary file first. Errors
// the system reports (Exception) are the expected outcome of most inputs.
#include "app/Tupdateform.h"
#include "framework/Exception.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {
QTemporaryDir* Folder = nullptr;
Tupdateform* Form = nullptr;
bool Verbose = false;
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Folder = new QTemporaryDir();
    // The registry of the form's own settings is read from the prefix: an
    // empty one, so no input depends on the machine's settings.
    const QString prefix = Folder->filePath(QStringLiteral("wineprefix"));
    QDir().mkpath(prefix);
    qputenv("WINEPREFIX", QFile::encodeName(prefix));
    Form = new Tupdateform();
    // MIROVANE_FUZZ_VERBOSE shows what each input reaches: the error, or
    // the new template.
    Verbose = qEnvironmentVariableIsSet("MIROVANE_FUZZ_VERBOSE");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString name = Folder->filePath(QStringLiteral("template.xml"));
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly))
        abort();
    file.write(reinterpret_cast<const char*>(data), qint64(size));
    file.close();
    try {
        const QString written = Form->ConvertTemplate(name);
        if (Verbose) {
            QFile result(written);
            if (result.open(QIODevice::ReadOnly))
                fprintf(stderr, "%s\n", result.readAll().constData());
        }
    } catch (const Exception& error) {
        if (Verbose)
            fprintf(stderr, "%s\n", error.what());
    }
    QFile::remove(name);
    QFile::remove(Folder->filePath(QStringLiteral("template.bts")));
    return 0;
}
