// The commands and options of mirovane-templates, in one table that the
// parser, the help texts and the manual page check all read, so they
// cannot drift apart.
#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>

struct TToolOption {
    QStringList names; // short name first when there is one
    QString valueName; // empty for a switch
    QString description;

    QCommandLineOption ParserOption() const;
};

struct TToolCommand {
    QString name;
    QString arguments; // as shown in the synopsis, such as "FILE OUT"
    QString summary;
    QList<TToolOption> options;
};

// Options every command takes, and the tool itself before the command.
const QList<TToolOption>& SharedOptions();
const TToolOption& HelpOption();
const TToolOption& VersionOption();
const QList<TToolCommand>& ToolCommands();
// Null when NAME is no command.
const TToolCommand* FindToolCommand(const QString& name);

QString ToolHelpText();
QString CommandHelpText(const TToolCommand& command);
