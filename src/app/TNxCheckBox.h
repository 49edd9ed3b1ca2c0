// TNxCheckBox: a stand-alone check box with a Boolean Checked flag. Writing
// a different value stores it and raises OnChange; writing the same value
// does nothing. Grayed only changes the look. Not thread-safe.
#pragma once

#include "framework/Component.h"
#include "framework/Events.h"

class TNxCheckBox : public TComponent {
    Q_OBJECT
    Q_PROPERTY(bool Checked READ Checked WRITE SetChecked)
    Q_PROPERTY(bool Grayed READ Grayed WRITE SetGrayed)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)

public:
    using TComponent::TComponent;

    bool Checked() const { return FChecked; }
    void SetChecked(bool checked);
    bool Grayed() const { return FGrayed; }
    void SetGrayed(bool grayed) { FGrayed = grayed; }
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& caption) { FCaption = caption; }

    TNotifyEvent OnChange;

private:
    bool FChecked = false;
    bool FGrayed = false;
    QString FCaption;
};
