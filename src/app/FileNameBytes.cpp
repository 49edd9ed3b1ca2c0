#include "app/FileNameBytes.h"

#include <QFile>

bool NameRoundTrips(const QByteArray& name)
{
    return QFile::encodeName(QFile::decodeName(name)) == name;
}

QString NotUtf8Message()
{
    return QStringLiteral("The name is not valid UTF-8, so it cannot be opened; rename it, "
                          "e.g. with convmv -f latin1 -t utf8 --notest, and convert it again.");
}

TDecodedArguments DecodeArguments(int argc, char** argv)
{
    TDecodedArguments decoded;
    for (int i = 1; i < argc; ++i) {
        const QByteArray raw(argv[i]);
        const QString argument = QFile::decodeName(raw);
        if (!NameRoundTrips(raw))
            decoded.undecodable.insert(argument);
        decoded.arguments << argument;
    }
    return decoded;
}
