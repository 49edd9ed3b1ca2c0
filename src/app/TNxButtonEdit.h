// TNxButtonEdit: a stand-alone edit with a button beside it; its Text is
// the setting's value. Not a kind of TNxComboBox. Not thread-safe.
#pragma once

#include "framework/Component.h"

class TNxButtonEdit : public TComponent {
    Q_OBJECT
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_PROPERTY(QString ButtonCaption READ ButtonCaption WRITE SetButtonCaption)

public:
    using TComponent::TComponent;

    QString Text() const { return FText; }
    void SetText(const QString& text) { FText = text; }
    QString ButtonCaption() const { return FButtonCaption; }
    void SetButtonCaption(const QString& caption) { FButtonCaption = caption; }

private:
    QString FText;
    QString FButtonCaption;
};
