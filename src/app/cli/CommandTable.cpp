#include "app/cli/CommandTable.h"

namespace {

const qsizetype kOptionColumn = 30;

QString OptionLabel(const TToolOption& option)
{
    QStringList names;
    for (const QString& name : option.names)
        names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    QString label = names.join(QStringLiteral(", "));
    if (!option.valueName.isEmpty())
        label += u' ' + option.valueName;
    // Long-only options line up with the long names of the others.
    return option.names.first().size() == 1 ? label : QStringLiteral("    ") + label;
}

QString OptionLines(const QList<TToolOption>& options)
{
    QString out;
    for (const TToolOption& option : options) {
        const QString label = QStringLiteral("  ") + OptionLabel(option);
        out += label.size() < kOptionColumn ? label.leftJustified(kOptionColumn)
                                            : label + u'\n' + QString(kOptionColumn, u' ');
        out += option.description + u'\n';
    }
    return out;
}

} // namespace

QCommandLineOption TToolOption::ParserOption() const
{
    if (valueName.isEmpty())
        return QCommandLineOption(names, description);
    return QCommandLineOption(names, description, valueName);
}

const QList<TToolOption>& SharedOptions()
{
    static const QList<TToolOption> options {
        { { QStringLiteral("wine-prefix") }, QStringLiteral("DIR"),
            QStringLiteral(
                "read the product's settings from DIR/user.reg (default: $WINEPREFIX, then ~/.wine)") },
        { { QStringLiteral("no-product-settings") }, {},
            QStringLiteral("start from the configured values only; the registry is not read") },
    };
    return options;
}

const TToolOption& HelpOption()
{
    static const TToolOption option { { QStringLiteral("h"), QStringLiteral("help") }, {},
        QStringLiteral("show this text") };
    return option;
}

const TToolOption& VersionOption()
{
    static const TToolOption option { { QStringLiteral("version") }, {}, QStringLiteral("show the version") };
    return option;
}

const QList<TToolCommand>& ToolCommands()
{
    static const QList<TToolCommand> commands {
        { QStringLiteral("convert"), QStringLiteral("PATH..."),
            QStringLiteral("write each template FILE, or each *.xml in a folder but hidden ones, as a new "
                           ".bts template"),
            {
                { { QStringLiteral("r"), QStringLiteral("recursive") }, {},
                    QStringLiteral("take the templates of subfolders too") },
                { { QStringLiteral("o"), QStringLiteral("output-dir") }, QStringLiteral("DIR"),
                    QStringLiteral("write the new templates under DIR instead of beside the originals") },
                { { QStringLiteral("keep-existing") }, {},
                    QStringLiteral("leave a new template that exists alone") },
                { { QStringLiteral("n"), QStringLiteral("dry-run") }, {},
                    QStringLiteral("read and convert everything, write nothing") },
                { { QStringLiteral("q"), QStringLiteral("quiet") }, {},
                    QStringLiteral("print only errors and the summary") },
            } },
        { QStringLiteral("show"), QStringLiteral("FILE"),
            QStringLiteral("print what the new template of FILE would hold, and what it does not carry over"),
            { { { QStringLiteral("json") }, {}, QStringLiteral("print one JSON object") } } },
        { QStringLiteral("export"), QStringLiteral("OUT"),
            QStringLiteral("write the product's current settings as a new template OUT"), {} },
        { QStringLiteral("dump"), QStringLiteral("FILE"),
            QStringLiteral("print the settings tree that FILE holds"),
            { { { QStringLiteral("json") }, {}, QStringLiteral("print the tree as nested JSON objects") } } },
        { QStringLiteral("decrypt"), QStringLiteral("FILE OUT"),
            QStringLiteral("write the tree of FILE to OUT as a plain XML storage file"), {} },
        { QStringLiteral("encrypt"), QStringLiteral("FILE OUT"),
            QStringLiteral("write the tree of FILE to OUT as an encrypted XML storage file"), {} },
    };
    return commands;
}

const TToolCommand* FindToolCommand(const QString& name)
{
    for (const TToolCommand& command : ToolCommands()) {
        if (command.name == name)
            return &command;
    }
    return nullptr;
}

QString ToolHelpText()
{
    QString out
        = QStringLiteral("Usage: mirovane-templates [OPTIONS] COMMAND [ARGUMENTS]\n"
                         "Converts Mirovane settings templates written before v3.39 to the new .bts format.\n"
                         "\n"
                         "Commands:\n");
    for (const TToolCommand& command : ToolCommands()) {
        const QString label = QStringLiteral("  ") + command.name + u' ' + command.arguments;
        out += label.leftJustified(20) + command.summary + u'\n';
    }
    out += QStringLiteral("\nOptions:\n")
        + OptionLines(SharedOptions() + QList { HelpOption(), VersionOption() });
    out += QStringLiteral("\n'mirovane-templates COMMAND --help' shows the options of a command.\n");
    return out;
}

QString CommandHelpText(const TToolCommand& command)
{
    QString out
        = QStringLiteral("Usage: mirovane-templates %1 [OPTIONS] %2\n").arg(command.name, command.arguments);
    out += command.summary.left(1).toUpper() + command.summary.mid(1) + QStringLiteral(".\n\nOptions:\n");
    out += OptionLines(command.options + SharedOptions() + QList { HelpOption() });
    return out;
}
