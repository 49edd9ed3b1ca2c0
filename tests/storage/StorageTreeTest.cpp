// The storage tree: paths, sections, keys, the current section and the
// invariants of the two sorted arrays.
#include "StorageTestSupport.h"

#include "framework/TextCompare.h"
#include "storage/TrsException.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <map>

namespace {

// Checks the arrays' order, the current section's ranges and the ids
// against a brute-force recomputation.
void ExpectConsistent(TrsStorage& storage)
{
    for (int i = 1; i < storage.SectionItemCount(); ++i) {
        const TrsSectionItem* a = storage.GetSectionItem(i - 1);
        const TrsSectionItem* b = storage.GetSectionItem(i);
        ASSERT_TRUE(
            a->ParentId < b->ParentId || (a->ParentId == b->ParentId && CompareText(a->Name, b->Name) < 0))
            << "sections out of order at " << i;
    }
    for (int i = 1; i < storage.KeyItemCount(); ++i) {
        const TrsKeyItem* a = storage.GetKeyItem(i - 1);
        const TrsKeyItem* b = storage.GetKeyItem(i);
        ASSERT_TRUE(a->SectionId < b->SectionId
            || (a->SectionId == b->SectionId && CompareText(a->Name, b->Name) < 0))
            << "keys out of order at " << i;
    }
    const int current = storage.CurrentSectionIdx();
    const int id = current < 0 ? 0 : storage.GetSectionItem(current)->Id;
    int childBegin = -1, childEnd = -1, keyBegin = -1, keyEnd = -1;
    for (int i = 0; i < storage.SectionItemCount(); ++i)
        if (storage.GetSectionItem(i)->ParentId == id) {
            childBegin = childBegin < 0 ? i : childBegin;
            childEnd = i + 1;
        }
    for (int i = 0; i < storage.KeyItemCount(); ++i)
        if (storage.GetKeyItem(i)->SectionId == id) {
            keyBegin = keyBegin < 0 ? i : keyBegin;
            keyEnd = i + 1;
        }
    int begin, end;
    EXPECT_EQ(storage.GetSectionRange(begin, end), childBegin >= 0);
    EXPECT_EQ(begin, childBegin);
    EXPECT_EQ(end, childEnd);
    EXPECT_EQ(storage.GetKeyRange(begin, end), keyBegin >= 0);
    EXPECT_EQ(begin, keyBegin);
    EXPECT_EQ(end, keyEnd);
    EXPECT_TRUE(
        SameText(storage.GetSectionPath(current), QString(storage.RootSection()).replace(u'/', u'\\')))
        << storage.GetSectionPath(current).toStdString() << " vs " << storage.RootSection().toStdString();
}

QStringList Names(const TrsStorage& storage, bool sections)
{
    QStringList names;
    if (sections)
        storage.SectionList(names);
    else
        storage.KeyList(names);
    return names;
}

} // namespace

TEST(StorageTree, PathsResolveAgainstTheCurrentSectionUnlessAbsolute)
{
    TrsStorage storage;
    storage.WriteInteger("\\top", 1);
    storage.SetRootSection("A");
    storage.WriteInteger("inA", 2);
    storage.WriteInteger("\\top2", 3);
    storage.WriteInteger("B\\deep", 4);

    EXPECT_EQ(storage.KeyCount(), 1);
    EXPECT_EQ(storage.ReadInteger("\\top", 0), 1);
    EXPECT_EQ(storage.ReadInteger("\\A\\inA", 0), 2);
    EXPECT_EQ(storage.ReadInteger("\\top2", 0), 3);
    EXPECT_EQ(storage.ReadInteger("\\A/B\\deep", 0), 4);
    EXPECT_EQ(storage.ReadInteger("/A\\B/deep", 0), 4);
    EXPECT_EQ(storage.ReadInteger("top", -1), -1) << "a bare name is a key of the current section";

    storage.SetRootSection(QString());
    EXPECT_EQ(storage.KeyCount(), 2);
    EXPECT_EQ(storage.ReadInteger("A/B\\deep", 0), 4);
    ExpectConsistent(storage);
}

TEST(StorageTree, DoubledSeparatorResolvesToNothingAndTrailingOneIsTheSection)
{
    TrsStorage storage;
    storage.WriteInteger("A\\B\\k", 1);
    EXPECT_FALSE(storage.SectionExist("A\\\\B"));
    EXPECT_FALSE(storage.SectionAdd("A\\\\C"));
    EXPECT_FALSE(storage.SectionExist("A\\C"));
    storage.WriteInteger("A\\\\C\\k", 2);
    EXPECT_FALSE(storage.KeyExist("A\\\\C\\k"));
    EXPECT_TRUE(storage.SectionExist("A\\"));
    EXPECT_TRUE(storage.SectionExist("A/B/"));
    EXPECT_FALSE(storage.SectionExist(QString()));
    EXPECT_EQ(storage.SectionItemCount(), 2);
    EXPECT_EQ(storage.KeyItemCount(), 1);
}

TEST(StorageTree, NamesCompareIgnoringCaseAndListInSortOrder)
{
    TrsStorage storage;
    storage.SectionAdd("Foo");
    storage.SectionAdd("FOO");
    storage.SectionAdd("bar");
    storage.SectionAdd("Zed");
    storage.SectionAdd("alpha");
    storage.WriteString("foo\\Key", "x");
    storage.WriteString("FOO\\KEY", "y");
    EXPECT_EQ(Names(storage, true), (QStringList { "alpha", "bar", "Foo", "Zed" }));
    storage.SetRootSection("fOO");
    EXPECT_EQ(Names(storage, false), QStringList { "Key" });
    EXPECT_EQ(storage.ReadString("key", QString()), "y");
    EXPECT_EQ(storage.SectionName(), "Foo");
}

TEST(StorageTree, SectionIterationVisitsTheWholeTreeKeyIterationDependsOnRootSection)
{
    TrsStorage storage;
    storage.WriteInteger("\\t", 0);
    storage.WriteInteger("A\\a1", 1);
    storage.WriteInteger("A\\a2", 2);
    storage.WriteInteger("A\\B\\b1", 3);
    storage.WriteInteger("C\\c1", 4);

    QStringList sections;
    for (int i = storage.SectionFirst(); i >= 0; i = storage.SectionNext())
        sections.append(storage.SectionWrapper().FullName());
    EXPECT_EQ(sections, (QStringList { "A", "C", "A\\B" }));
    QStringList backwards;
    for (int i = storage.SectionLast(); i >= 0; i = storage.SectionPrior())
        backwards.append(storage.SectionWrapper().Name());
    EXPECT_EQ(backwards, (QStringList { "B", "C", "A" }));

    auto keys = [&storage] {
        QStringList names;
        for (int i = storage.KeyFirst(); i >= 0; i = storage.KeyNext())
            names.append(storage.KeyWrapper().FullName());
        return names;
    };
    EXPECT_EQ(keys().size(), 5);
    storage.SetRootSection("A");
    EXPECT_EQ(keys(), (QStringList { "\\A\\a1", "\\A\\a2" }));
    EXPECT_EQ(storage.KeyLast(), storage.KeyFirst() + 1);
    EXPECT_GE(storage.KeyPrior(), 0);
    EXPECT_EQ(storage.KeyPrior(), -1);
    storage.SetRootSection("C\\D");
    EXPECT_EQ(storage.KeyFirst(), -1);
    EXPECT_EQ(storage.KeyLast(), -1);
}

TEST(StorageTree, ChangeDownAndUpMoveTheCurrentSectionAndItsPathText)
{
    TrsStorage storage;
    storage.WriteInteger("A\\B\\k", 1);
    EXPECT_FALSE(storage.ChangeUpRootSection());
    EXPECT_FALSE(storage.ChangeDownRootSection("missing"));
    EXPECT_EQ(storage.RootSection(), QString());
    EXPECT_TRUE(storage.ChangeDownRootSection("a"));
    EXPECT_TRUE(storage.ChangeDownRootSection("\\b")) << "a leading separator stays relative";
    EXPECT_EQ(storage.RootSection(), "a\\\\b");
    EXPECT_EQ(storage.KeyCount(), 1);
    EXPECT_FALSE(storage.ChangeDownRootSection("A"));
    EXPECT_TRUE(storage.ChangeUpRootSection());
    EXPECT_EQ(storage.SectionName(), "A");
    EXPECT_EQ(storage.RootSection(), "a");
    EXPECT_TRUE(storage.ChangeUpRootSection());
    EXPECT_EQ(storage.RootSection(), QString());
    EXPECT_EQ(storage.CurrentSectionIdx(), -1);
    EXPECT_FALSE(storage.ChangeUpRootSection());
}

TEST(StorageTree, RootSectionCreatesMissingSectionsWithoutAddNotifications)
{
    TrsStorage storage;
    TRecordingClient client;
    client.SetStorage(&storage);
    storage.SetRootSection("/X/Y");
    EXPECT_TRUE(storage.SectionExist("\\X\\Y"));
    EXPECT_EQ(storage.RootSection(), "/X/Y");
    EXPECT_EQ(client.Received, QStringList { "7:/X/Y" });
    storage.SetRootSection("X\\\\Y");
    EXPECT_EQ(storage.RootSection(), "X\\\\Y") << "a path naming nothing is kept as written";
    EXPECT_EQ(storage.CurrentSectionIdx(), -1) << "and selects the top level";
    EXPECT_EQ(client.Received.back(), "7:X\\\\Y");
    EXPECT_EQ(storage.SectionCount(), 1) << "nothing is created for it";
}

TEST(StorageTree, KeyRenameMovesTheValueAndNeverLosesData)
{
    TrsStorage storage;
    TRecordingClient client;
    client.SetStorage(&storage);
    storage.WriteString("A\\old", "v");
    storage.SetKeyOptions("A\\old", 5);
    storage.KeyRename("A\\old", "B\\new");
    EXPECT_FALSE(storage.KeyExist("A\\old"));
    EXPECT_EQ(storage.ReadString("B\\new", QString()), "v");
    EXPECT_EQ(storage.KeyOptions("B\\new"), 5);

    client.Received.clear();
    storage.KeyRename("missing", "fresh");
    EXPECT_FALSE(storage.KeyExist("fresh"));
    EXPECT_EQ(client.Received, (QStringList { "8:fresh", "9:fresh" }));

    storage.KeyRename("missing", "B\\new");
    EXPECT_EQ(storage.ReadString("B\\new", QString()), "v") << "an existing target is kept";

    storage.KeyRename("b\\NEW", "B/new");
    EXPECT_EQ(storage.ReadString("B\\new", QString()), "v") << "both names are one key";

    storage.WriteString("B\\other", "w");
    storage.KeyRename("B\\other", "B\\new");
    EXPECT_EQ(storage.ReadString("B\\new", QString()), "w");
    EXPECT_EQ(storage.KeyItemCount(), 1);
}

TEST(StorageTree, DeletingTheCurrentSectionOrAnAncestorSelectsTheTopLevel)
{
    TrsStorage storage;
    TRecordingClient client;
    client.SetStorage(&storage);
    storage.WriteInteger("A\\B\\C\\k", 1);
    storage.WriteInteger("Z\\k", 2);
    storage.SetRootSection("A\\B\\C");
    client.Received.clear();
    storage.SectionDelete("\\A");
    EXPECT_EQ(storage.RootSection(), QString());
    EXPECT_EQ(storage.CurrentSectionIdx(), -1);
    EXPECT_EQ(client.Received, (QStringList { "9:k", "7:", "4:A" }));
    EXPECT_EQ(storage.SectionItemCount(), 1);
    ExpectConsistent(storage);

    storage.SetRootSection("Z");
    storage.SectionDelete("\\Z");
    EXPECT_EQ(storage.SectionItemCount(), 0);
    EXPECT_EQ(storage.SectionCapacity(), 0);
    EXPECT_EQ(storage.RootSection(), QString());
    storage.SectionAdd("N");
    EXPECT_EQ(storage.GetSectionItem(0)->Id, 1) << "ids start again on an empty array";
}

TEST(StorageTree, DeletingASiblingKeepsTheCurrentSectionRecord)
{
    TrsStorage storage;
    storage.WriteInteger("A\\k", 1);
    storage.WriteInteger("B\\k", 2);
    storage.WriteInteger("B\\C\\k", 3);
    storage.SetRootSection("B\\C");
    storage.SectionDelete("\\A");
    EXPECT_EQ(storage.RootSection(), "B\\C");
    EXPECT_EQ(storage.SectionName(), "C");
    EXPECT_EQ(storage.ReadInteger("k", 0), 3);
    ExpectConsistent(storage);
}

TEST(StorageTree, ClearEmptiesTheCurrentSectionOnly)
{
    TrsStorage storage;
    TRecordingClient client;
    client.SetStorage(&storage);
    storage.WriteInteger("A\\k", 1);
    storage.WriteInteger("A\\B\\k", 2);
    storage.WriteInteger("A\\B\\C\\k", 3);
    storage.WriteInteger("Z\\k", 4);
    storage.SetRootSection("A");
    client.Received.clear();
    storage.Clear();
    EXPECT_EQ(storage.KeyCount(), 0);
    EXPECT_EQ(storage.SectionCount(), 0);
    EXPECT_TRUE(storage.SectionExist("\\A"));
    EXPECT_EQ(storage.ReadInteger("\\Z\\k", 0), 4);
    EXPECT_EQ(client.Received, QStringList { "6:A" }) << "notifications are off while clearing";
    storage.SectionAdd("new");
    EXPECT_EQ(storage.GetSectionItem(storage.CurrentSectionIdx() + 2)->Id, 5) << "max id recomputed";
    ExpectConsistent(storage);

    storage.SectionClear("Z");
    EXPECT_FALSE(storage.KeyExist("\\Z\\k"));
    EXPECT_EQ(storage.RootSection(), "A");
}

TEST(StorageTree, NotificationsCarryTheirTexts)
{
    TrsStorage storage;
    TRecordingClient client;
    client.SetStorage(&storage);
    QStringList events;
    storage.SetOnKeyAdd([&](TObject*, const QString& key) { events.append("add " + key); });
    storage.SetOnKeyDeletion([&](TObject*, const QString& key) { events.append("del " + key); });
    storage.WriteInteger("S\\T\\k", 1);
    EXPECT_TRUE(storage.SectionAdd("S\\T"));
    storage.KeyDelete("S\\T\\k");
    storage.KeyDelete("S\\T\\k");
    storage.WriteInteger("x", 1);
    storage.ClearAll();
    EXPECT_EQ(client.Received, (QStringList { "8:k", "3:S\\T", "9:k", "8:x", "1:<none>" }));
    EXPECT_EQ(events, (QStringList { "add k", "del k", "add x", "del x" }));
}

TEST(StorageTree, ReadsOfAbsentKeysGiveDefaultsAndWritesReplaceTheType)
{
    TrsStorage storage;
    EXPECT_EQ(storage.ReadInteger("k", 7), 7);
    EXPECT_EQ(storage.ReadString("k", "d"), "d");
    EXPECT_TRUE(storage.ReadBoolean("k", true));
    EXPECT_EQ(storage.ReadPoint("k"), QPoint(0, 0));
    EXPECT_EQ(storage.KeyType("k"), -1);
    EXPECT_EQ(storage.KeyOptions("k"), 0);
    EXPECT_FALSE(storage.Values("k").isValid());
    char buffer[4];
    EXPECT_EQ(storage.ReadBuffer("k", buffer, 4), 0);
    storage.SetKeyOptions("k", 3);
    storage.SetKeyType("k", ktString);
    storage.KeyDelete("k");
    EXPECT_EQ(storage.KeyItemCount(), 0);

    storage.WriteString("k", "text");
    storage.WriteInteger("k", 5);
    EXPECT_EQ(storage.KeyType("k"), ktInteger);
    storage.SetValues("k", QVariant(2.5));
    EXPECT_EQ(storage.KeyType("k"), ktFloat);
    storage.WritePoint("k", QPoint(3, -4));
    EXPECT_EQ(storage.ReadPoint("k"), QPoint(3, -4));
    storage.WriteBuffer("k", "abc", 3);
    EXPECT_EQ(storage.ReadBuffer("k", buffer, 4), 3);
    EXPECT_EQ(storage.KeyItemCount(), 1);
    EXPECT_THROW(storage.SetValues("v", QVariant(QVariantList { 1 })), TrsException);
    EXPECT_FALSE(storage.KeyExist("v")) << "a failed write leaves no empty key";
    EXPECT_EQ(TrsStorage::Version(), "3.77");
}

TEST(StorageTree, CachedRelativeSectionPartFollowsTheCurrentSection)
{
    TrsStorage storage;
    storage.WriteInteger("\\A\\S\\k", 1);
    storage.WriteInteger("\\B\\S\\k", 2);
    storage.SetRootSection("A");
    EXPECT_EQ(storage.ReadInteger("S\\k", 0), 1);
    storage.SetRootSection("B");
    EXPECT_EQ(storage.ReadInteger("S\\k", 0), 2);
    storage.ChangeUpRootSection();
    EXPECT_EQ(storage.ReadInteger("S\\k", 0), 0);
    storage.SectionDelete("\\B\\S");
    storage.SectionAdd("\\B\\Q");
    storage.SetRootSection("B");
    EXPECT_FALSE(storage.KeyExist("S\\k")) << "a removed section is not found through the cache";
}

TEST(StorageTree, ArraysGrowAndShrinkByTheirRule)
{
    TrsStorage storage;
    QList<int> capacities;
    for (int i = 0; i < 100; ++i) {
        storage.WriteInteger(QStringLiteral("k%1").arg(i, 3, 10, QChar(u'0')), i);
        if (capacities.isEmpty() || capacities.last() != storage.KeyCapacity())
            capacities.append(storage.KeyCapacity());
    }
    EXPECT_EQ(capacities, (QList<int> { 8, 16, 24, 40, 56, 72, 90, 112 }));
    storage.KeyDelete("k000");
    EXPECT_EQ(storage.KeyCapacity(), 112 - (112 - 99) / 2);
    storage.ClearAll();
    EXPECT_EQ(storage.KeyCapacity(), 0);
}

// Random writes, deletions and moves of the current section, checked
// against a map of full paths after every step.
TEST(StorageTree, RandomOperationsKeepTheArraysAndRangesExact)
{
    TrsStorage storage;
    std::map<QString, int> model; // "\sec\sub\key" in lower case
    QRandomGenerator random(12345);
    const QStringList sections { "a", "B", "a\\c", "B\\d", "a\\C\\e" };
    for (int step = 0; step < 3000; ++step) {
        const QString section = sections[random.bounded(int(sections.size()))];
        const QString key = QStringLiteral("K%1").arg(random.bounded(8));
        const QString path = u'\\' + section + u'\\' + key;
        switch (random.bounded(7)) {
        case 0:
        case 1: {
            const int value = random.bounded(1000);
            storage.WriteInteger(path, value);
            model[path.toLower()] = value;
            break;
        }
        case 2:
            storage.KeyDelete(path);
            model.erase(path.toLower());
            break;
        case 3:
            if (random.bounded(8) == 0) {
                storage.SectionDelete(u'\\' + section);
                const QString prefix = (u'\\' + section + u'\\').toLower();
                std::erase_if(model, [&](const auto& entry) { return entry.first.startsWith(prefix); });
            }
            break;
        case 4:
            storage.SetRootSection(random.bounded(3) == 0 ? QString() : section);
            break;
        case 5: {
            // A bare name lands in the current section.
            const QString root = storage.RootSection();
            const int value = random.bounded(1000);
            storage.WriteInteger(key, value);
            model[(root.isEmpty() ? u'\\' + key : u'\\' + root + u'\\' + key).toLower()] = value;
            break;
        }
        default:
            storage.ChangeUpRootSection();
            break;
        }
        ASSERT_NO_FATAL_FAILURE(ExpectConsistent(storage)) << "step " << step;
    }
    ASSERT_EQ(storage.KeyItemCount(), int(model.size()));
    for (const auto& [path, value] : model)
        EXPECT_EQ(storage.ReadInteger(path, -1), value) << path.toStdString();
}
