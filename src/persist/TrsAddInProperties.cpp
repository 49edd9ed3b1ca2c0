#include "persist/TrsAddInProperties.h"

QVariant TrsAddInProperties::GetPropertyValue(QObject*, QObject*, const QString&)
{
    return {};
}

void TrsAddInProperties::SetPropertyValue(QObject*, QObject*, const QString&, const QVariant&)
{
}
