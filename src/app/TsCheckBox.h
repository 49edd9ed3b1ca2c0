// TsCheckBox: a stand-alone check box holding a TCheckBoxState. Checked is
// true exactly when the state is cbChecked; writing it sets cbChecked or
// cbUnchecked. AllowGrayed only says whether clicking reaches cbGrayed.
// Not thread-safe.
#pragma once

#include "app/NxTypes.h"
#include "framework/Component.h"

class TsCheckBox : public TComponent {
    Q_OBJECT
    Q_PROPERTY(NxTypes::TCheckBoxState State READ State WRITE SetState)
    Q_PROPERTY(bool Checked READ Checked WRITE SetChecked)
    Q_PROPERTY(bool AllowGrayed READ AllowGrayed WRITE SetAllowGrayed)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)

public:
    using TComponent::TComponent;

    TCheckBoxState State() const { return FState; }
    void SetState(TCheckBoxState state) { FState = state; }
    bool Checked() const { return FState == cbChecked; }
    void SetChecked(bool checked) { FState = checked ? cbChecked : cbUnchecked; }
    bool AllowGrayed() const { return FAllowGrayed; }
    void SetAllowGrayed(bool allowGrayed) { FAllowGrayed = allowGrayed; }
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& caption) { FCaption = caption; }

private:
    TCheckBoxState FState = cbUnchecked;
    bool FAllowGrayed = false;
    QString FCaption;
};
