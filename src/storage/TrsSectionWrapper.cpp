#include "storage/TrsSectionWrapper.h"

#include "storage/TrsStorage.h"

const TrsSectionItem* TrsSectionWrapper::PSectionItem() const
{
    return FStorage ? FStorage->GetSectionItem(FSectionIdx) : nullptr;
}

QString TrsSectionWrapper::Name() const
{
    const TrsSectionItem* item = PSectionItem();
    return item ? item->Name : QString();
}

QString TrsSectionWrapper::FullName() const
{
    return PSectionItem() ? FStorage->GetSectionPath(FSectionIdx) : QString();
}

int TrsSectionWrapper::Level() const
{
    return PSectionItem() ? FStorage->GetSectionLevel(FSectionIdx) : 0;
}

int TrsSectionWrapper::Id() const
{
    const TrsSectionItem* item = PSectionItem();
    return item ? item->Id : 0;
}

int TrsSectionWrapper::ParentId() const
{
    const TrsSectionItem* item = PSectionItem();
    return item ? item->ParentId : 0;
}
