#include "app/gui/FontChoice.h"

#include <QFontDatabase>
#include <QFontMetrics>

namespace {
const QString kFormFace = QStringLiteral("Candara");
constexpr int kSmallestSize = 8;

QFont Face(const QString& family, int pixelSize, bool bold, bool italic)
{
    QFont font(family);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}
} // namespace

QStringList FontChoice::InstalledFallbacks()
{
    // Humanist faces close to Candara first, then the faces a Debian desktop
    // installs, the narrow ones last: those keep the form's size in its boxes.
    static const QStringList preferred
        = { QStringLiteral("Carlito"), QStringLiteral("Cantarell"), QStringLiteral("Open Sans"),
              QStringLiteral("Noto Sans"), QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"),
              QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Liberation Sans Narrow") };
    const QStringList installed = QFontDatabase::families();
    QStringList fallbacks;
    for (const QString& family : preferred) {
        if (installed.contains(family, Qt::CaseInsensitive))
            fallbacks << family;
    }
    return fallbacks;
}

bool FontChoice::Fits(const QFont& font, const QStringList& lines, QSize box)
{
    const QFontMetrics metrics(font);
    if (metrics.lineSpacing() * lines.size() > box.height())
        return false;
    for (const QString& line : lines) {
        if (metrics.horizontalAdvance(line) > box.width())
            return false;
    }
    return true;
}

QFont FontChoice::Fitting(
    const QStringList& fallbacks, int pixelSize, bool bold, bool italic, const QStringList& lines, QSize box)
{
    if (QFontDatabase::families().contains(kFormFace))
        return Face(kFormFace, pixelSize, bold, italic);
    if (fallbacks.isEmpty())
        return Face(QStringLiteral("Sans Serif"), pixelSize, bold, italic);
    for (int size = pixelSize; size > kSmallestSize; --size) {
        for (const QString& family : fallbacks) {
            QFont font = Face(family, size, bold, italic);
            if (Fits(font, lines, box))
                return font;
        }
    }
    return Face(fallbacks.constFirst(), kSmallestSize, bold, italic);
}
