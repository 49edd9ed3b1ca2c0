// FontChoice: the faces and sizes of the window's texts. The form was laid
// out for Candara, which a Linux desktop rarely has; a fallback face must
// still keep every text inside its box, so the fallback is measured against
// the box instead of being taken at the form's size blindly.
#pragma once

#include <QFont>
#include <QSize>
#include <QStringList>

namespace FontChoice {

// Space kept free on each side of a text inside its box.
inline constexpr int kMargin = 6;

// The fallback faces, in order of preference, that are installed here.
QStringList InstalledFallbacks();

// True when every line of LINES, set in FONT, fits in BOX, which already
// excludes the margin.
bool Fits(const QFont& font, const QStringList& lines, QSize box);

// Candara at PIXELSIZE where it is installed. Otherwise the largest size up
// to PIXELSIZE at which a face of FALLBACKS fits the lines into BOX, in the
// first such face (never below 8 pixels).
QFont Fitting(
    const QStringList& fallbacks, int pixelSize, bool bold, bool italic, const QStringList& lines, QSize box);

} // namespace FontChoice
