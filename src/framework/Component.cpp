#include "framework/Component.h"

#include "framework/TApplication.h"
#include "framework/TextCompare.h"

#include <algorithm>

TComponent::TComponent(TComponent* owner) : QObject(owner)
{
    if (owner) {
        if (owner->IsLoading())
            FState |= csLoading;
        owner->InsertComponent(this);
    }
}

TComponent::~TComponent()
{
    MarkDestroying();
    DestroyComponents();
    SendRemoveNotifications();
}

void TComponent::Free()
{
    BeforeDestruction();
    MarkDestroying();
    DestroyComponents();
    SendRemoveNotifications();
    delete this;
}

TComponent* TComponent::FindComponent(QStringView name) const
{
    if (name.isEmpty())
        return nullptr;
    for (TComponent* component : FComponents)
        if (SameText(component->Name(), name))
            return component;
    return nullptr;
}

void TComponent::FreeNotification(TComponent* component)
{
    if (!component || component == this)
        return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component) == FFreeNotifies.end())
        FFreeNotifies.push_back(component);
    auto& theirs = component->FFreeNotifies;
    if (std::find(theirs.begin(), theirs.end(), this) == theirs.end())
        theirs.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* component)
{
    if (!component)
        return;
    std::erase(FFreeNotifies, component);
    std::erase(component->FFreeNotifies, this);
}

void TComponent::BeginLoading()
{
    FState |= csLoading;
    for (TComponent* component : FComponents)
        component->BeginLoading();
}

void TComponent::EndLoading()
{
    // Copy: a Loaded() handler may create or free components.
    const std::vector<TComponent*> owned = FComponents;
    for (TComponent* component : owned)
        component->ClearLoading();
    FState &= ~unsigned(csLoading);
    // A component that fails to finish loading (a storage whose file does
    // not parse, say) is reported, and the others still load.
    for (TComponent* component : owned)
        if (std::find(FComponents.begin(), FComponents.end(), component) != FComponents.end())
            Application().HandleExceptions([component] { component->Loaded(); });
    Loaded();
}

void TComponent::ClearLoading()
{
    FState &= ~unsigned(csLoading);
    for (TComponent* component : FComponents)
        component->ClearLoading();
}

void TComponent::Notification(TComponent* component, TOperation operation)
{
    if (operation == opRemove)
        RemoveFreeNotification(component);
    const std::vector<TComponent*> owned = FComponents;
    for (auto it = owned.rbegin(); it != owned.rend(); ++it)
        if (*it != component)
            (*it)->Notification(component, operation);
}

void TComponent::InsertComponent(TComponent* component)
{
    FComponents.push_back(component);
    component->FOwner = this;
}

void TComponent::RemoveComponent(TComponent* component)
{
    std::erase(FComponents, component);
    component->FOwner = nullptr;
}

void TComponent::MarkDestroying()
{
    FState |= csDestroying;
    for (TComponent* component : FComponents)
        component->MarkDestroying();
}

void TComponent::DestroyComponents()
{
    while (!FComponents.empty())
        FComponents.back()->Free();
}

void TComponent::SendRemoveNotifications()
{
    if (FRemoveSent)
        return;
    FRemoveSent = true;
    while (!FFreeNotifies.empty()) {
        TComponent* partner = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        std::erase(partner->FFreeNotifies, this);
        partner->Notification(this, opRemove);
    }
    if (FOwner) {
        TComponent* owner = FOwner;
        owner->RemoveComponent(this);
        owner->Notification(this, opRemove);
    }
}
