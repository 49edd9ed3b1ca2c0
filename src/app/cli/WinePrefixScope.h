// Points the registry at another Wine prefix for the length of one run and
// puts the previous $WINEPREFIX back afterwards: the registry layer reads
// the prefix from the environment each time it opens its files.
#pragma once

#include <QByteArray>
#include <QString>

class TWinePrefixScope {
public:
    // An empty PREFIX changes nothing.
    explicit TWinePrefixScope(const QString& prefix);
    ~TWinePrefixScope();
    TWinePrefixScope(const TWinePrefixScope&) = delete;
    TWinePrefixScope& operator=(const TWinePrefixScope&) = delete;

private:
    bool FChanged = false;
    bool FHadPrevious = false;
    QByteArray FPrevious;
};
