// TCollection: an owned, ordered list of items of one class, such as the
// columns of a grid, reachable as a class-typed published property. The
// collection creates its items through a factory and destroys them; callers
// hold plain pointers that stay valid until the item is deleted. Updates
// may be suspended (BeginUpdate/EndUpdate, nested) so a bulk change is
// announced once. Not thread-safe.
#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

class TCollectionItem : public QObject {
    Q_OBJECT

public:
    explicit TCollectionItem(QObject* parent = nullptr) : QObject(parent) {}
};

class TCollection : public QObject {
    Q_OBJECT

public:
    using TItemFactory = std::function<TCollectionItem*()>;

    explicit TCollection(TItemFactory factory, QObject* parent = nullptr);
    ~TCollection() override;

    int Count() const { return int(FItems.size()); }
    // INDEX must lie in 0..Count()-1.
    TCollectionItem* Items(int index) const { return FItems.at(size_t(index)).get(); }
    TCollectionItem* Add();
    void Delete(int index);
    void Clear();

    void BeginUpdate() { ++FUpdateCount; }
    // Announces the change once the outermost update ends.
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }

signals:
    void Changed();

private:
    void NotifyChanged();

    TItemFactory FFactory;
    std::vector<std::unique_ptr<TCollectionItem>> FItems;
    int FUpdateCount = 0;
    bool FChangedWhileUpdating = false;
};
