#include "framework/TStrings.h"

int TStrings::Add(const QString& text)
{
    FLines.append(text);
    return Count() - 1;
}

QString TStrings::Text() const
{
    QString text;
    for (const QString& line : FLines)
        text += line + QStringLiteral("\r\n");
    return text;
}

void TStrings::SetText(QStringView text)
{
    FLines.clear();
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n') {
            ++i;
            continue;
        }
        FLines.append(text.mid(start, i - start).toString());
        i += (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ? 2 : 1;
        start = i;
    }
    if (start < text.size())
        FLines.append(text.mid(start).toString());
}
