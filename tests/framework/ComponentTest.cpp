#include "framework/Component.h"
#include "framework/Exception.h"
#include "framework/TApplication.h"
#include "support/ScriptedUserInterface.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

// Records what it hears, and what it can still see of itself when it hears it.
class TProbe : public TComponent {
public:
    TProbe(TComponent* owner, const QString& name, QStringList* log) : TComponent(owner), FLog(log)
    {
        SetName(name);
    }
    ~TProbe() override { FLog->append(Name() + " destroyed"); }

    TComponent* Link = nullptr;
    int LoadedCount = 0;
    bool SawDestroyingOnNotification = false;

protected:
    void Notification(TComponent* component, TOperation operation) override
    {
        TComponent::Notification(component, operation);
        if (operation != opRemove)
            return;
        FLog->append(Name() + " heard " + component->Name() + " go");
        SawDestroyingOnNotification = component->IsDestroying();
        if (component == Link)
            Link = nullptr;
    }
    void Loaded() override
    {
        ++LoadedCount;
        FLog->append(Name() + " loaded");
    }

private:
    QStringList* FLog;
};

} // namespace

TEST(Component, OwnedComponentsAreFoundByNameIgnoringCase)
{
    QStringList log;
    TComponent owner;
    auto* a = new TProbe(&owner, "textSize", &log);
    new TProbe(&owner, "other", &log);
    EXPECT_EQ(owner.FindComponent(u"TEXTSIZE"), a);
    EXPECT_EQ(owner.FindComponent(u"textsize"), a);
    EXPECT_EQ(owner.FindComponent(u"missing"), nullptr);
    EXPECT_EQ(owner.FindComponent(u""), nullptr);
    EXPECT_EQ(owner.ComponentCount(), 2);
    EXPECT_EQ(a->Owner(), &owner);
}

TEST(Component, OwnedComponentsAreDestroyedLastFirstAndMarkedBeforehand)
{
    QStringList log;
    auto* owner = new TProbe(nullptr, "form", &log);
    auto* first = new TProbe(owner, "first", &log);
    auto* second = new TProbe(owner, "second", &log);
    second->Link = first; // a plain reference, cleared through the notification
    owner->Free();
    const QStringList expected { "second destroyed", "first destroyed", "form destroyed" };
    QStringList destroyed;
    for (const QString& line : log)
        if (line.endsWith("destroyed"))
            destroyed << line;
    EXPECT_EQ(destroyed, expected);
}

TEST(Component, RemovalReachesFreeNotificationPartnersAndSiblingsWhileWhole)
{
    QStringList log;
    TComponent form;
    auto* storage = new TProbe(&form, "storage", &log);
    auto* data = new TProbe(nullptr, "data", &log); // not owned by the form
    storage->Link = data;
    storage->FreeNotification(data);
    data->Free();
    EXPECT_EQ(storage->Link, nullptr);
    EXPECT_TRUE(storage->SawDestroyingOnNotification);

    auto* sibling = new TProbe(&form, "sibling", &log);
    storage->Link = sibling;
    sibling->Free();
    EXPECT_EQ(storage->Link, nullptr) << "the owner passes the removal on to its components";
    EXPECT_EQ(form.ComponentCount(), 1);
}

TEST(Component, RemovedFreeNotificationIsNotDelivered)
{
    QStringList log;
    auto* a = new TProbe(nullptr, "a", &log);
    auto* b = new TProbe(nullptr, "b", &log);
    a->FreeNotification(b);
    a->RemoveFreeNotification(b);
    b->Free();
    EXPECT_FALSE(log.contains("a heard b go"));
    a->Free();
}

TEST(Component, LoadedFollowsConfigurationOfEveryOwnedComponent)
{
    QStringList log;
    TProbe owner(nullptr, "form", &log);
    owner.BeginLoading();
    auto* a = new TProbe(&owner, "a", &log);
    auto* b = new TProbe(&owner, "b", &log);
    EXPECT_TRUE(a->IsLoading());
    EXPECT_TRUE(b->IsLoading());
    owner.EndLoading();
    EXPECT_FALSE(a->IsLoading());
    EXPECT_EQ(a->LoadedCount, 1);
    EXPECT_EQ(b->LoadedCount, 1);
    EXPECT_EQ(log, (QStringList { "a loaded", "b loaded", "form loaded" }));
}

namespace {

class TFailingProbe : public TComponent {
public:
    using TComponent::TComponent;

protected:
    void Loaded() override { throw Exception(QStringLiteral("Storage library error: broken file")); }
};

} // namespace

TEST(Component, FailingLoadedIsShownAndTheOthersStillLoad)
{
    ScriptedUserInterface ui;
    Application().SetUserInterface(&ui);
    QStringList log;
    TProbe owner(nullptr, "form", &log);
    owner.BeginLoading();
    new TFailingProbe(&owner);
    auto* after = new TProbe(&owner, "after", &log);
    owner.EndLoading();
    EXPECT_EQ(after->LoadedCount, 1);
    EXPECT_EQ(ui.Errors, QStringList { "Storage library error: broken file" });
    Application().SetUserInterface(nullptr);
}
