#include "app/TNxFontNameItem.h"

TFontNamesProvider& TNxFontNameItem::Provider()
{
    static TFontNamesProvider provider;
    return provider;
}

void TNxFontNameItem::SetFontNamesProvider(TFontNamesProvider provider)
{
    Provider() = std::move(provider);
}

void TNxFontNameItem::EditingStarted()
{
    if (Provider())
        Lines()->Assign(Provider()());
}
