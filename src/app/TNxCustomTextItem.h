// TNxCustomTextItem: the common base of the text-valued setting items; it
// adds nothing to TNxPropertyItem but its place in the class tree, which
// the template writer's kind tests follow. Not thread-safe.
#pragma once

#include "app/TNxPropertyItem.h"

class TNxCustomTextItem : public TNxPropertyItem {
    Q_OBJECT

public:
    using TNxPropertyItem::TNxPropertyItem;
};
