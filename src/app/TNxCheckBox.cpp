#include "app/TNxCheckBox.h"

void TNxCheckBox::SetChecked(bool checked)
{
    if (checked == FChecked)
        return;
    FChecked = checked;
    if (OnChange)
        OnChange(this);
}
