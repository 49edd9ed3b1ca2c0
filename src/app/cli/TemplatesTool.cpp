#include "app/cli/TemplatesTool.h"

#include "app/FreshForm.h"
#include "app/cli/CommandTable.h"
#include "app/cli/ConvertRun.h"
#include "app/FileNameBytes.h"
#include "app/cli/TemplateReport.h"
#include "app/cli/TreeDump.h"
#include "app/cli/WinePrefixScope.h"
#include "framework/Exception.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

namespace {

const QString kProgram = QStringLiteral("mirovane-templates");

bool SameFile(const QString& a, const QString& b)
{
    const QFileInfo left(a), right(b);
    if (left.exists() && right.exists())
        return left.canonicalFilePath() == right.canonicalFilePath();
    return left.absoluteFilePath() == right.absoluteFilePath();
}

bool HasOption(const TToolCommand& command, const QString& name)
{
    for (const TToolOption& option : command.options) {
        if (option.names.contains(name))
            return true;
    }
    return false;
}

void AddOptions(QCommandLineParser& parser, const QList<TToolOption>& options)
{
    for (const TToolOption& option : options)
        parser.addOption(option.ParserOption());
}

// Options after the command belong to the command; the shared ones may
// also stand before it.
void SetUpParser(QCommandLineParser& parser, const QList<TToolOption>& options)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    AddOptions(parser, options + SharedOptions() + QList { HelpOption() });
}

QString SharedValue(const QCommandLineParser& before, const QCommandLineParser& after, const QString& name)
{
    return after.isSet(name) ? after.value(name) : before.value(name);
}

} // namespace

QString TemplatesTool::Usage()
{
    return ToolHelpText();
}

int TemplatesTool::Run(const QStringList& arguments)
{
    QCommandLineParser parser;
    SetUpParser(parser, { VersionOption() });
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    if (!parser.parse(QStringList { kProgram } + arguments))
        return UsageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        FOut << Usage();
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        FOut << kProgram << ' ' << QCoreApplication::applicationVersion() << '\n';
        return 0;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return UsageError(QStringLiteral("no command given"));
    const TToolCommand* command = FindToolCommand(positional.first());
    if (!command)
        return UsageError(QStringLiteral("unknown command \"%1\"").arg(positional.first()));
    return RunCommand(*command, positional.mid(1), parser);
}

int TemplatesTool::RunCommand(
    const TToolCommand& command, const QStringList& arguments, const QCommandLineParser& shared)
{
    QCommandLineParser parser;
    SetUpParser(parser, command.options);
    if (!parser.parse(QStringList { kProgram } + arguments))
        return UsageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        FOut << CommandHelpText(command);
        return 0;
    }
    const bool noProduct = shared.isSet(QStringLiteral("no-product-settings"))
        || parser.isSet(QStringLiteral("no-product-settings"));
    FProductSettings = noProduct ? TProductSettings::Skip : TProductSettings::Read;
    const TWinePrefixScope prefix(SharedValue(shared, parser, QStringLiteral("wine-prefix")));
    const QStringList rest = parser.positionalArguments();
    if (command.name != u"convert") {
        for (const QString& path : rest) {
            if (UndecodableArguments.contains(path))
                return Fail(path, NotUtf8Message());
        }
    }
    // Asked only of the commands that define it: the parser warns on
    // standard error about any other name.
    const bool json = HasOption(command, QStringLiteral("json")) && parser.isSet(QStringLiteral("json"));
    if (command.name == u"convert")
        return rest.isEmpty() ? UsageError(QStringLiteral("convert needs at least one FILE"))
                              : Convert(rest, parser);
    if (command.name == u"decrypt" || command.name == u"encrypt") {
        if (rest.size() != 2)
            return UsageError(QStringLiteral("%1 needs FILE and OUT").arg(command.name));
        return Rewrite(rest[0], rest[1], command.name == u"encrypt");
    }
    if (rest.size() != 1)
        return UsageError(QStringLiteral("%1 needs exactly one %2").arg(command.name, command.arguments));
    if (command.name == u"show")
        return Show(rest[0], json);
    if (command.name == u"export")
        return Export(rest[0]);
    return Dump(rest[0], json);
}

int TemplatesTool::Convert(const QStringList& paths, const QCommandLineParser& parser)
{
    TConvertOptions options;
    options.recursive = parser.isSet(QStringLiteral("recursive"));
    options.keepExisting = parser.isSet(QStringLiteral("keep-existing"));
    options.dryRun = parser.isSet(QStringLiteral("dry-run"));
    options.quiet = parser.isSet(QStringLiteral("quiet"));
    options.outputDir = parser.value(QStringLiteral("output-dir"));
    options.productSettings = FProductSettings;
    options.undecodable = UndecodableArguments;
    TConvertRun run(FOut, FErr, FProgressTerminal, options);
    run.BeforeRead = BeforeRead;
    return run.Run(paths);
}

int TemplatesTool::Show(const QString& file, bool json)
{
    try {
        const TTemplateReport report = BuildTemplateReport(file, FProductSettings);
        FOut << (json ? ReportJson(report) : ReportTable(report));
        return 0;
    } catch (const Exception& error) {
        return Fail(file, error.Message());
    }
}

int TemplatesTool::Export(const QString& target)
{
    try {
        TFreshForm form(FProductSettings);
        const bool fromProduct = !SettingKeysIn(*form->rsStorage1, *form).isEmpty();
        form->WriteNewTemplate(QFileInfo(target).absoluteFilePath());
        if (!fromProduct) {
            FErr << kProgram << ": no product settings were read; " << target
                 << " holds the configured values\n";
            FErr.flush();
        }
        return 0;
    } catch (const Exception& error) {
        return Fail(target, error.Message());
    }
}

int TemplatesTool::Dump(const QString& file, bool json)
{
    try {
        TFreshForm form(FProductSettings);
        TrsStorage& storage = form->LoadTemplate(QFileInfo(file).absoluteFilePath());
        FOut << (json ? DumpTreeJson(storage) : DumpTree(storage));
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
        TFreshForm form(FProductSettings);
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
    FErr << kProgram << ": " << message << "\nTry 'mirovane-templates --help'.\n";
    FErr.flush();
    return 2;
}
