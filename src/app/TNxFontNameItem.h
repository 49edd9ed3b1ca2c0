// TNxFontNameItem: a choice item whose choices are the installed font
// families, fetched each time in-place editing starts. The list comes from a
// provider that the GUI installs (this library does not draw text and knows
// no fonts); without one the Lines stay as they were. Outside editing the
// Lines are whatever was last put there. Not thread-safe.
#pragma once

#include "app/TNxComboBoxItem.h"

#include <QStringList>
#include <functional>

using TFontNamesProvider = std::function<QStringList()>;

class TNxFontNameItem : public TNxComboBoxItem {
    Q_OBJECT

public:
    using TNxComboBoxItem::TNxComboBoxItem;

    void EditingStarted() override;

    // Process-wide; set once at start-up, from the GUI thread.
    static void SetFontNamesProvider(TFontNamesProvider provider);

private:
    static TFontNamesProvider& Provider();
};
