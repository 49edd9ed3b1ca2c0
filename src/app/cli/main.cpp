// mirovane-templates: the template updater's conversion, without a window.
#include "app/FileNameBytes.h"
#include "app/cli/TemplatesTool.h"
#include "framework/TApplication.h"

#include <QCoreApplication>
#include <QTextStream>

#include <unistd.h>

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("mirovane-templates"));
    QCoreApplication::setApplicationVersion(QStringLiteral(MIROVANE_VERSION));
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);
    // From the bytes, so that a name that is not valid UTF-8 is known as one.
    const TDecodedArguments arguments = DecodeArguments(argc, argv);
    TemplatesTool tool(out, err, ::isatty(STDERR_FILENO) == 1);
    tool.UndecodableArguments = arguments.undecodable;
    const int status = tool.Run(arguments.arguments);
    out.flush();
    return status;
}
