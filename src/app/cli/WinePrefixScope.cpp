#include "app/cli/WinePrefixScope.h"

#include <QFile>
#include <QtGlobal>

TWinePrefixScope::TWinePrefixScope(const QString& prefix)
{
    if (prefix.isEmpty())
        return;
    FChanged = true;
    FHadPrevious = qEnvironmentVariableIsSet("WINEPREFIX");
    FPrevious = qgetenv("WINEPREFIX");
    qputenv("WINEPREFIX", QFile::encodeName(prefix));
}

TWinePrefixScope::~TWinePrefixScope()
{
    if (!FChanged)
        return;
    if (FHadPrevious)
        qputenv("WINEPREFIX", FPrevious);
    else
        qunsetenv("WINEPREFIX");
}
