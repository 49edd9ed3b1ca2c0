// storage-keys FILE KEY VALUE: lists the keys of an XML storage file with
// their types, then stores VALUE as a string under KEY (such as
// "\mirovane3\jpegquality.Value") and saves the file again.

#include "backends/TrsXMLData.h"
#include "storage/TrsKeyWrapper.h"
#include "storage/TrsStorage.h"

#include <QCoreApplication>
#include <QTextStream>
#include <array>
#include <exception>

namespace {

QString TypeName(quint16 type)
{
    static const std::array<const char*, 11> names { "none", "string", "buffer", "integer", "float",
        "currency", "datetime", "boolean", "point", "int64", "pointer" };
    return type < names.size() ? QString::fromLatin1(names[type]) : QString::number(type);
}

void ListKeys(TrsStorage& storage, QTextStream& out)
{
    TrsKeyWrapper key(&storage);
    for (int i = 0; i < storage.KeyItemCount(); ++i) {
        key.SetKeyItem(storage.GetKeyItem(i));
        out << key.FullName() << '\t' << TypeName(key.KeyType()) << '\n';
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (args.size() != 4) {
        err << "usage: storage-keys FILE KEY VALUE\n";
        return 2;
    }
    try {
        // The file outlives the storage that refers to it; the storage
        // saves only when asked, never on its way out.
        TrsXMLData file;
        TrsStorage storage;
        storage.SetOptions({});
        file.SetFileName(args[1]);
        file.SetFileDir(fdCustom);
        file.SetOptions({});
        storage.SetStorageData(&file);
        storage.Load();
        ListKeys(storage, out);
        storage.WriteString(args[2], args[3]);
        storage.Save();
    } catch (const std::exception& e) {
        err << e.what() << '\n';
        return 1;
    }
    return 0;
}
