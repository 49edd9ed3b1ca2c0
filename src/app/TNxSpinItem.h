// TNxSpinItem: a number item with spin buttons that step it by Increment in
// the view. Its value behaves as a number item's. Not thread-safe.
#pragma once

#include "app/TNxCustomNumberItem.h"

class TNxSpinItem : public TNxCustomNumberItem {
    Q_OBJECT
    Q_PROPERTY(double Increment READ Increment WRITE SetIncrement)
    Q_PROPERTY(bool SpinButtons READ SpinButtons WRITE SetSpinButtons)

public:
    using TNxCustomNumberItem::TNxCustomNumberItem;

    double Increment() const { return FIncrement; }
    void SetIncrement(double increment) { FIncrement = increment; }
    bool SpinButtons() const { return FSpinButtons; }
    void SetSpinButtons(bool spinButtons) { FSpinButtons = spinButtons; }

private:
    double FIncrement = 1.0;
    bool FSpinButtons = true;
};
