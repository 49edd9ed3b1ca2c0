// TrsAddInProperties: the base of components that give a property saver's
// custom descriptors (ptCustom) a meaning: an application derives from it
// and stores values that are not published properties. Sender is the
// saver, Instance the object the descriptor's path resolved to, PropName
// the rest of the path. The saver only refers to it; the form owns it. Not
// thread-safe.
#pragma once

#include "framework/Component.h"

#include <QString>
#include <QVariant>

class TrsAddInProperties : public TComponent {
    Q_OBJECT

public:
    using TComponent::TComponent;

    // The base has no value: an invalid (unassigned) QVariant.
    virtual QVariant GetPropertyValue(QObject* Sender, QObject* Instance, const QString& PropName);
    // The base does nothing.
    virtual void SetPropertyValue(
        QObject* Sender, QObject* Instance, const QString& PropName, const QVariant& Value);
};
