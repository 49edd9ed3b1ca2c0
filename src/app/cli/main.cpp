// mirovane-templates: the template updater's conversion, without a window.
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
    TemplatesTool tool(out, err, ::isatty(STDERR_FILENO) == 1);
    const int status = tool.Run(QCoreApplication::arguments().mid(1));
    out.flush();
    return status;
}
