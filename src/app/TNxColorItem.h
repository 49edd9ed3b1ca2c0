// TNxColorItem: a text item holding a colour in text form. ColorKind and
// UseColorNames only steer the colour editor; Value is stored unchanged and
// never validated. Not thread-safe.
#pragma once

#include "app/TNxPopupItem.h"

class TNxColorItem : public TNxPopupItem {
    Q_OBJECT
    Q_PROPERTY(TColorKind ColorKind READ ColorKind WRITE SetColorKind)
    Q_PROPERTY(bool UseColorNames READ UseColorNames WRITE SetUseColorNames)

public:
    // ckNative: the platform's own notation; ckWeb: "#RRGGBB".
    enum TColorKind { ckNative, ckWeb };
    Q_ENUM(TColorKind)

    using TNxPopupItem::TNxPopupItem;

    TColorKind ColorKind() const { return FColorKind; }
    void SetColorKind(TColorKind colorKind) { FColorKind = colorKind; }
    bool UseColorNames() const { return FUseColorNames; }
    void SetUseColorNames(bool useColorNames) { FUseColorNames = useColorNames; }

private:
    TColorKind FColorKind = ckNative;
    bool FUseColorNames = false;
};
