#include "framework/TCollection.h"

TCollection::TCollection(TItemFactory factory, QObject* parent) : QObject(parent), FFactory(std::move(factory)) {}

TCollection::~TCollection() = default;

TCollectionItem* TCollection::Add()
{
    FItems.emplace_back(FFactory());
    NotifyChanged();
    return FItems.back().get();
}

void TCollection::Delete(int index)
{
    FItems.erase(FItems.begin() + index);
    NotifyChanged();
}

void TCollection::Clear()
{
    FItems.clear();
    NotifyChanged();
}

void TCollection::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0 && FChangedWhileUpdating) {
        FChangedWhileUpdating = false;
        emit Changed();
    }
}

void TCollection::NotifyChanged()
{
    if (FUpdateCount > 0)
        FChangedWhileUpdating = true;
    else
        emit Changed();
}
