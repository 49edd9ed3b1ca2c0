// Design-time linking of new storage components: finds an existing component
// of a class (a storage, storage data or encryptor) on the owner, then on the
// application's other forms and data modules, so a new component can link
// itself to it. Reads the application's form list, so like the forms it is
// for the GUI thread only. Holds no state and owns nothing.
#pragma once

#include <QMetaObject>
#include <functional>

class TComponent;

// Told about the component found, with the caller's data.
using TrsFoundComponentEvent = std::function<void(void* Data, TComponent* Component)>;

// A component of the class METAOBJECT or a class derived from it: searched
// among OWNER's components from the last to the first, then likewise on
// every form from the last to the first (skipping OWNER), then on every data
// module. CALLBACK, when given, is called with DATA and the component found.
// Returns nullptr when there is none.
TComponent* FindComponentOfClass(const QMetaObject& metaObject, TComponent* owner,
    const TrsFoundComponentEvent& callback = {}, void* data = nullptr);

// T must declare Q_OBJECT: the search goes by T's own meta-object.
template <typename T>
T* FindComponentOfClass(TComponent* owner, const TrsFoundComponentEvent& callback = {}, void* data = nullptr)
{
    return static_cast<T*>(FindComponentOfClass(T::staticMetaObject, owner, callback, data));
}
