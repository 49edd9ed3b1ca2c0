#include "app/cli/TemplatesTool.h"

#include "app/Tupdateform.h"
#include "app/cli/TreeDump.h"
#include "framework/Exception.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

namespace {

// A form built for one file; freed on every way out.
struct FreshForm {
    Tupdateform* form = new Tupdateform();
    ~FreshForm() { form->Free(); }
    Tupdateform* operator->() const { return form; }
};

bool SameFile(const QString& a, const QString& b)
{
    const QFileInfo left(a), right(b);
    if (left.exists() && right.exists())
        return left.canonicalFilePath() == right.canonicalFilePath();
    return left.absoluteFilePath() == right.absoluteFilePath();
}

} // namespace

QString TemplatesTool::Usage()
{
    return QStringLiteral(
        "Usage: mirovane-templates COMMAND ARGUMENTS\n"
        "Converts Mirovane settings templates written before v3.39 to the new .bts format.\n"
        "\n"
        "Commands:\n"
        "  convert FILE...    write each FILE as a new template beside it, with the extension .bts\n"
        "  dump FILE          print the settings tree that FILE holds\n"
        "  decrypt FILE OUT   write the tree of FILE to OUT as a plain XML storage file\n"
        "  encrypt FILE OUT   write the tree of FILE to OUT as an encrypted XML storage file\n"
        "  --help             show this text\n"
        "  --version          show the version\n");
}

int TemplatesTool::Run(const QStringList& arguments)
{
    if (arguments.isEmpty())
        return UsageError(QStringLiteral("no command given"));
    const QString command = arguments.first();
    const QStringList rest = arguments.mid(1);
    if (command == u"--help" || command == u"-h") {
        FOut << Usage();
        return 0;
    }
    if (command == u"--version") {
        FOut << "mirovane-templates " << QCoreApplication::applicationVersion() << '\n';
        return 0;
    }
    if (command == u"convert")
        return rest.isEmpty() ? UsageError(QStringLiteral("convert needs at least one FILE")) : Convert(rest);
    if (command == u"dump")
        return rest.size() == 1 ? Dump(rest[0]) : UsageError(QStringLiteral("dump needs exactly one FILE"));
    if (command == u"decrypt" || command == u"encrypt") {
        if (rest.size() != 2)
            return UsageError(QStringLiteral("%1 needs FILE and OUT").arg(command));
        return Rewrite(rest[0], rest[1], command == u"encrypt");
    }
    return UsageError(QStringLiteral("unknown command \"%1\"").arg(command));
}

int TemplatesTool::Convert(const QStringList& files)
{
    int status = 0;
    for (const QString& file : files) {
        try {
            FreshForm form;
            const QString written = form->ConvertTemplate(QFileInfo(file).absoluteFilePath());
            FOut << Tupdateform::ConfirmationText(written) << '\n';
            FOut.flush();
        } catch (const Exception& error) {
            status = Fail(file, error.Message());
        }
    }
    return status;
}

int TemplatesTool::Dump(const QString& file)
{
    try {
        FreshForm form;
        TrsStorage& storage = form->LoadTemplate(QFileInfo(file).absoluteFilePath());
        FOut << DumpTree(storage);
        return 0;
    } catch (const Exception& error) {
        return Fail(file, error.Message());
    }
}

int TemplatesTool::Rewrite(const QString& file, const QString& target, bool encrypted)
{
    if (SameFile(file, target))
        return Fail(file, QStringLiteral("OUT must not be the template itself."));
    try {
        FreshForm form;
        form->LoadTemplate(QFileInfo(file).absoluteFilePath());
        form->SaveLoadedTree(QFileInfo(target).absoluteFilePath(), encrypted);
        return 0;
    } catch (const Exception& error) {
        return Fail(file, error.Message());
    }
}

int TemplatesTool::Fail(const QString& file, const QString& message)
{
    FErr << file << ": " << message << '\n';
    FErr.flush();
    return 1;
}

int TemplatesTool::UsageError(const QString& message)
{
    FErr << "mirovane-templates: " << message << "\nTry 'mirovane-templates --help'.\n";
    FErr.flush();
    return 2;
}
