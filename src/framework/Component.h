// TComponent: the component model every named part of the system stands on.
//
// A component has a Name (its QObject object name) and an Owner. The owner
// keeps its components in creation order, finds them by name ignoring letter
// case, and destroys them last first when it is destroyed itself. Before any
// destructor body runs, csDestroying is set on the component and on
// everything it owns. Links between components are plain pointers, cleared
// through Notification(AComponent, opRemove), which the system delivers while
// the removed component is still whole: to the partners registered with
// FreeNotification, and to the owner, which passes it on to every component
// it owns.
//
// Destroy a component with Free() (or let its owner do it); a plain delete
// still clears every link, but then the notification arrives after the
// derived parts are gone. Components are not thread-safe.
#pragma once

#include <QObject>
#include <QString>
#include <QStringView>
#include <vector>

enum TOperation { opInsert, opRemove };

enum TComponentStateFlag : unsigned {
    csLoading = 1u << 0,
    csDestroying = 1u << 1,
};

class TComponent : public QObject {
    Q_OBJECT

public:
    explicit TComponent(TComponent* owner = nullptr);
    ~TComponent() override;

    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    // Destroys the component: marks it and its owned components as
    // destroying, destroys the owned components last first, tells every
    // partner that it goes away, then deletes it.
    void Free();
    // Called by Free() before anything else, while the component and all it
    // owns are whole.
    virtual void BeforeDestruction() {}

    QString Name() const { return objectName(); }
    void SetName(const QString& name) { setObjectName(name); }
    TComponent* Owner() const { return FOwner; }

    int ComponentCount() const { return int(FComponents.size()); }
    TComponent* Components(int index) const { return FComponents.at(size_t(index)); }
    // The owned component of that name, ignoring letter case; nullptr if none.
    TComponent* FindComponent(QStringView name) const;

    // Asks to be told (through Notification) when COMPONENT is removed, and
    // tells COMPONENT likewise about this one.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

    unsigned ComponentState() const { return FState; }
    bool IsLoading() const { return FState & csLoading; }
    bool IsDestroying() const { return FState & csDestroying; }

    // Sets csLoading on this component and everything it owns; components
    // created while their owner loads start in csLoading too.
    void BeginLoading();
    // Clears csLoading and calls Loaded() on each owned component in
    // creation order, then on this one. An error from an owned component's
    // Loaded() is shown through the application and the rest go on.
    void EndLoading();

protected:
    // Called when a component this one knows of is inserted or removed.
    // The default passes it on to every owned component.
    virtual void Notification(TComponent* component, TOperation operation);
    // Called once the component's configuration is complete.
    virtual void Loaded() {}

private:
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);
    void MarkDestroying();
    void DestroyComponents();
    void SendRemoveNotifications();
    void ClearLoading();

    TComponent* FOwner = nullptr;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
    unsigned FState = 0;
    bool FRemoveSent = false;
};
