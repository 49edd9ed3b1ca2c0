#include "storage/ComponentSearch.h"

#include "framework/Component.h"
#include "framework/TApplication.h"
#include "framework/TForm.h"

namespace {

TComponent* LastOwnedOfClass(const TComponent* container, const QMetaObject& metaObject)
{
    for (int i = container->ComponentCount() - 1; i >= 0; --i) {
        TComponent* component = container->Components(i);
        if (component->metaObject()->inherits(&metaObject))
            return component;
    }
    return nullptr;
}

TComponent* Search(const QMetaObject& metaObject, TComponent* owner)
{
    if (owner) {
        if (TComponent* found = LastOwnedOfClass(owner, metaObject))
            return found;
    }
    const std::vector<TForm*>& forms = Application().Forms();
    for (auto form = forms.rbegin(); form != forms.rend(); ++form) {
        if (*form == owner)
            continue;
        if (TComponent* found = LastOwnedOfClass(*form, metaObject))
            return found;
    }
    const std::vector<TComponent*>& modules = Application().DataModules();
    for (auto module = modules.rbegin(); module != modules.rend(); ++module) {
        if (*module == owner)
            continue;
        if (TComponent* found = LastOwnedOfClass(*module, metaObject))
            return found;
    }
    return nullptr;
}

} // namespace

TComponent* FindComponentOfClass(
    const QMetaObject& metaObject, TComponent* owner, const TrsFoundComponentEvent& callback, void* data)
{
    TComponent* found = Search(metaObject, owner);
    if (found && callback)
        callback(data, found);
    return found;
}
