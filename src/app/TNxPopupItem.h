// TNxPopupItem: a text item whose view edits it in a drop-down; its value
// behaves exactly as a text item's. Not thread-safe.
#pragma once

#include "app/TNxTextItem.h"

class TNxPopupItem : public TNxTextItem {
    Q_OBJECT

public:
    using TNxTextItem::TNxTextItem;
};
