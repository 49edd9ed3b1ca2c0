// Storage data, clients and the links between storage, storage data,
// encryptor and clients: transfers, events, progress, states, and what
// destruction in either order leaves behind.
#include "StorageTestSupport.h"
#include "framework/PropertyAccess.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

std::map<QString, QString> SampleEntries()
{
    return { { "A\\k1", "one" }, { "A\\B\\k2", "two" }, { "top", "three" } };
}

} // namespace

TEST(StorageData, LoadReplacesTheTreeAndMergeAddsToIt)
{
    TrsStorage storage;
    TMemoryData data;
    data.Entries = SampleEntries();
    storage.SetStorageData(&data);
    storage.WriteString("stale", "x");
    storage.SetRootSection("A");
    storage.Load();
    EXPECT_FALSE(storage.KeyExist("\\stale"));
    EXPECT_EQ(storage.ReadString("\\A\\B\\k2", QString()), "two");
    EXPECT_EQ(storage.RootSection(), QString()) << "the top level is current after a load";

    storage.WriteString("\\extra", "e");
    data.Entries = { { "A\\k3", "four" } };
    storage.Merge();
    EXPECT_EQ(storage.ReadString("\\extra", QString()), "e");
    EXPECT_EQ(storage.ReadString("\\A\\k3", QString()), "four");
    EXPECT_EQ(storage.ReadString("\\A\\k1", QString()), "one");
}

TEST(StorageData, SaveWalksFromTheTopAndRestoresTheCurrentSection)
{
    TrsStorage storage;
    TMemoryData data;
    storage.SetStorageData(&data);
    storage.WriteString("\\A\\k1", "one");
    storage.WriteString("\\A\\B\\k2", "two");
    storage.WriteString("\\top", "three");
    storage.SetRootSection("A\\B");
    TRecordingClient client;
    client.SetStorage(&storage);
    storage.Save();
    EXPECT_EQ(data.Entries, SampleEntries());
    EXPECT_EQ(storage.RootSection(), "A\\B");
    EXPECT_EQ(client.Received, (QStringList { "7:", "7:A\\B" }));
}

TEST(StorageData, EventsStatesAndEncryptorCallsComeInOrder)
{
    TrsStorage storage;
    TMemoryData data;
    TRecordingEncryptor encryptor;
    storage.SetStorageData(&data);
    storage.SetEncryptor(&encryptor);
    EXPECT_EQ(encryptor.Storage(), &storage);
    QStringList log;
    storage.SetOnBeforeLoad([&](TObject*) { log.append("before load"); });
    storage.SetOnAfterLoad([&](TObject*) { log.append("after load"); });
    storage.SetOnBeforeSave([&](TObject*) { log.append("before save"); });
    storage.SetOnAfterSave([&](TObject*) { log.append("after save"); });
    data.SetOnBeforeLoad([&](TObject* sender) { log.append(sender == &data ? "data before load" : "?"); });
    data.SetOnAfterSave([&](TObject*) { log.append("data after save"); });
    TrsStorageStates seen;
    data.DuringTransfer = [&] { seen = storage.CurrentStates(); };

    storage.Load();
    EXPECT_TRUE(seen.Contains(ssLoading) && seen.Contains(ssClearing) == false && !seen.Contains(ssMerging));
    storage.Merge();
    EXPECT_TRUE(seen.Contains(ssMerging) && !seen.Contains(ssLoading));
    storage.Save();
    EXPECT_TRUE(seen.Contains(ssSaving));
    EXPECT_TRUE(storage.CurrentStates().IsEmpty());
    EXPECT_EQ(log,
        (QStringList { "before load", "data before load", "after load", "before load", "data before load",
            "after load", "before save", "data after save", "after save" }));
    EXPECT_EQ(encryptor.Calls, (QStringList { "decrypt", "decrypt", "encrypt", "decrypt" }));

    encryptor.SetActive(false);
    storage.Save();
    EXPECT_EQ(encryptor.Calls.size(), 4) << "an inactive encryptor is not called";
}

TEST(StorageData, FailingBackendStillRestoresStatesAndRootSection)
{
    TrsStorage storage;
    TMemoryData data;
    TRecordingEncryptor encryptor;
    storage.SetStorageData(&data);
    storage.SetEncryptor(&encryptor);
    int afterSaves = 0;
    data.SetOnAfterSave([&](TObject*) { ++afterSaves; });
    storage.WriteInteger("A\\k", 1);
    storage.SetRootSection("A");
    data.FailSave = true;
    EXPECT_THROW(storage.Save(), std::runtime_error);
    EXPECT_EQ(storage.RootSection(), "A");
    EXPECT_TRUE(storage.CurrentStates().IsEmpty());
    EXPECT_EQ(afterSaves, 1);
    EXPECT_EQ(encryptor.Calls, QStringList { "encrypt" }) << "no decrypt after a failed save";

    data.Entries = SampleEntries();
    data.FailLoad = true;
    EXPECT_THROW(storage.Load(), std::runtime_error);
    EXPECT_TRUE(storage.CurrentStates().IsEmpty());
    EXPECT_EQ(storage.RootSection(), QString());
    EXPECT_TRUE(storage.KeyExist("\\A\\k1")) << "what the backend built stays";
}

TEST(StorageData, ProgressReportsEachPercentageOnce)
{
    class TCountingData : public TrsStorageData {
    public:
        using TrsStorageData::TrsStorageData;
        int Items = 3;

    protected:
        void DoLoadStorage() override
        {
            ProgressItemCount = Items;
            DoProgress();
            for (int i = 1; i <= Items; ++i) {
                ProgressItemCurrent = i;
                DoProgress();
                DoProgress();
            }
        }
    };
    TrsStorage storage;
    TCountingData data;
    storage.SetStorageData(&data);
    QList<int> reported;
    data.SetOnProgress([&](TObject*, int percent) { reported.append(percent); });
    storage.Load();
    EXPECT_EQ(reported, (QList<int> { 0, 33, 66, 100 }));
    reported.clear();
    storage.Load();
    EXPECT_EQ(reported, (QList<int> { 0, 33, 66, 100 })) << "every run starts afresh";
    reported.clear();
    data.Items = 0;
    storage.Load();
    EXPECT_TRUE(reported.isEmpty());
}

TEST(StorageData, WithoutCurrentStorageTransfersDoNothing)
{
    TMemoryData data;
    int afterLoads = 0;
    data.SetOnAfterLoad([&](TObject*) { ++afterLoads; });
    data.LoadStorage();
    data.SaveStorage();
    EXPECT_EQ(afterLoads, 0);
    EXPECT_EQ(data.Loads + data.Saves, 0);
}

TEST(StorageData, SwitchingDataKeepsTheStorageListedButNotCurrent)
{
    TrsStorage storage;
    TMemoryData first;
    TMemoryData second;
    storage.SetStorageData(&first);
    EXPECT_EQ(first.Storage(), &storage);
    storage.SetStorageData(&second);
    EXPECT_EQ(first.Storage(), nullptr);
    EXPECT_EQ(first.StorageCount(), 1);
    EXPECT_EQ(second.Storage(), &storage);
    storage.SetStorageData(nullptr);
    EXPECT_EQ(second.Storage(), nullptr);
}

TEST(StorageClientList, AddsOnceRoutesByKindAndSkipsInactiveClients)
{
    TrsClientList list;
    TRecordingClient keys(nullptr, { scnKeyAdd, scnKeyDelete });
    TRecordingClient clears(nullptr, { scnClear });
    EXPECT_EQ(list.Add(&keys), 0);
    EXPECT_EQ(list.Add(&clears), 1);
    EXPECT_EQ(list.Add(&keys), 0);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_FALSE(list.NotificationExist(scnLoad));
    list.DoNotification(scnLoad, nullptr, 0);
    const QString name = "k";
    list.DoNotification(scnKeyAdd, &name, 0);
    list.DoNotification(scnClear, nullptr, 0);
    EXPECT_EQ(keys.Received, QStringList { "8:k" });
    EXPECT_EQ(clears.Received, QStringList { "1:<none>" });

    keys.SetActive(false);
    list.DoNotification(scnKeyDelete, &name, 0);
    EXPECT_EQ(keys.Received.size(), 1);
    EXPECT_EQ(list.IndexOf(&keys), 0);
    keys.SetActive(true);

    list.SetActive(false);
    list.DoNotification(scnKeyDelete, &name, 0);
    list.SetActive(true);
    EXPECT_EQ(keys.Received.size(), 1);

    // Subscriptions are fixed at Add; removal takes the client out of the
    // lists it joined even when its kinds changed since.
    keys.SetNotifications({ scnLoad });
    list.Remove(&keys);
    EXPECT_FALSE(list.NotificationExist(scnKeyAdd));
    EXPECT_FALSE(list.NotificationExist(scnLoad));
    list.Add(&keys);
    list.DoNotification(scnLoad, nullptr, 0);
    EXPECT_EQ(keys.Received.last(), "2:<none>");
    list.Delete(7);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(list.NotificationExist(scnClear));
}

TEST(StorageLinks, StorageSavesOnCloseWhileItsDataExistsInEitherCreationOrder)
{
    for (bool dataFirst : { true, false }) {
        auto owner = std::make_unique<TComponent>();
        TMemoryData* data = nullptr;
        TrsStorage* storage = nullptr;
        if (dataFirst)
            data = new TMemoryData(owner.get());
        storage = new TrsStorage(owner.get());
        if (!dataFirst)
            data = new TMemoryData(owner.get());
        std::map<QString, QString>* saved = nullptr;
        int saves = 0;
        data->SetOnAfterSave([&](TObject* sender) {
            ++saves;
            saved = &static_cast<TMemoryData*>(sender)->Entries;
            EXPECT_EQ(saved->count("k"), 1u);
        });
        storage->SetStorageData(data);
        storage->SetActive(true);
        storage->WriteString("\\k", "v");
        owner->Free();
        owner.release();
        EXPECT_EQ(saves, 1) << (dataFirst ? "data created first" : "storage created first");
    }
}

TEST(StorageLinks, AFailingClosingSaveDuringDestructionIsContained)
{
    for (bool dataFirst : { true, false }) {
        auto* owner = new TComponent();
        TMemoryData* data = dataFirst ? new TMemoryData(owner) : nullptr;
        auto* storage = new TrsStorage(owner);
        if (!dataFirst)
            data = new TMemoryData(owner);
        storage->SetStorageData(data);
        storage->SetActive(true);
        data->FailSave = true;
        owner->Free();
    }
    auto* storage = new TrsStorage();
    TMemoryData data;
    storage->SetStorageData(&data);
    storage->SetActive(true);
    data.FailSave = true;
    EXPECT_THROW(storage->Close(), std::runtime_error);
    EXPECT_TRUE(storage->Active()) << "a storage whose save failed stays open";
    delete storage;
    EXPECT_EQ(data.StorageCount(), 0);
}

TEST(StorageLinks, DestroyingEitherSideClearsTheOthersReference)
{
    TrsStorage storage;
    {
        TMemoryData data;
        storage.SetStorageData(&data);
        storage.SetActive(true);
        storage.WriteString("k", "v");
    }
    EXPECT_EQ(storage.StorageData(), nullptr);
    EXPECT_TRUE(storage.KeyExist("k")) << "the data going away does not close a living storage";
    storage.Save(); // nothing to save to; must not touch the destroyed data

    TMemoryData data;
    auto* doomed = new TrsStorage();
    doomed->SetStorageData(&data);
    doomed->SetActive(true);
    doomed->WriteString("k", "saved");
    doomed->Free();
    EXPECT_EQ(data.Entries.at("k"), "saved");
    EXPECT_EQ(data.Storage(), nullptr);
    EXPECT_EQ(data.StorageCount(), 0);

    auto* deleted = new TrsStorage();
    deleted->SetStorageData(&data);
    delete deleted;
    EXPECT_EQ(data.StorageCount(), 0);
    data.LoadStorage(); // no dangling current storage

    TMemoryData other;
    auto* switched = new TrsStorage();
    switched->SetStorageData(&other);
    switched->SetStorageData(&data);
    switched->Free();
    EXPECT_EQ(other.StorageCount(), 0) << "a storage that switched away is still unlisted when it goes";
}

TEST(StorageLinks, ClientsAndEncryptorsForgetADestroyedStorageAndViceVersa)
{
    TRecordingClient client;
    TRecordingEncryptor encryptor;
    {
        TrsStorage storage;
        client.SetStorage(&storage);
        storage.SetEncryptor(&encryptor);
        EXPECT_EQ(storage.ClientList().Count(), 1);
    }
    EXPECT_EQ(client.Storage(), nullptr);
    EXPECT_EQ(encryptor.Storage(), nullptr);

    TrsStorage storage;
    {
        TRecordingClient shortLived;
        shortLived.SetStorage(&storage);
        auto* gone = new TRecordingEncryptor();
        storage.SetEncryptor(gone);
        gone->Free();
    }
    EXPECT_EQ(storage.ClientList().Count(), 0);
    EXPECT_EQ(storage.Encryptor(), nullptr);
    storage.WriteString("k", "v"); // would notify a dangling client
    storage.Save();
}

TEST(StorageLinks, OpeningWhileLoadingDefersTheLoadToLoaded)
{
    TComponent owner;
    owner.BeginLoading();
    auto* data = new TMemoryData(&owner);
    data->Entries = SampleEntries();
    auto* storage = new TrsStorage(&owner);
    storage->SetStorageData(data);
    storage->SetOptions({});
    storage->SetActive(true);
    EXPECT_TRUE(storage->Active());
    EXPECT_EQ(data->Loads, 0);
    owner.EndLoading();
    EXPECT_EQ(data->Loads, 1);
    EXPECT_TRUE(storage->KeyExist("\\top"));
    storage->SetActive(false);
    EXPECT_EQ(data->Saves, 0) << "no save without soSaveOnClose";
}

TEST(StorageData, LoadTellsClientsOnlyThatItLoadedWhileOnKeyAddSeesEachKey)
{
    TrsStorage storage;
    TMemoryData data;
    data.Entries = SampleEntries();
    storage.SetStorageData(&data);
    TRecordingClient client(nullptr, { scnKeyAdd, scnLoad });
    client.SetStorage(&storage);
    QStringList added;
    storage.SetOnKeyAdd([&added](TObject*, const QString& key) { added << key; });
    storage.Load();
    EXPECT_EQ(client.Received, QStringList { "2:<none>" })
        << "client notifications are off while the data loads";
    EXPECT_EQ(added.size(), 3);
    storage.SetStorageData(nullptr);
}

TEST(StorageProperties, ActiveEncryptorStorageDataAndRootSectionArePublished)
{
    TComponent owner;
    TrsStorage storage(&owner);
    TMemoryData data(&owner);
    TRecordingEncryptor encryptor(&owner);
    const QMetaProperty root = GetPropInfo(&storage, u"rootsection");
    ASSERT_TRUE(IsStringKind(PropKind(root)));
    EXPECT_TRUE(SetStrProp(&storage, root, "A\\B"));
    EXPECT_EQ(storage.RootSection(), "A\\B");
    EXPECT_TRUE(storage.SectionExist("\\A\\B"));

    const QMetaProperty storageData = GetPropInfo(&storage, u"StorageData");
    const QMetaProperty encryptorProp = GetPropInfo(&storage, u"Encryptor");
    ASSERT_EQ(PropKind(storageData), tkClass);
    ASSERT_EQ(PropKind(encryptorProp), tkClass);
    EXPECT_TRUE(SetObjectProp(&storage, storageData, &data));
    EXPECT_EQ(storage.StorageData(), &data);
    EXPECT_TRUE(SetObjectProp(&storage, encryptorProp, &encryptor));
    EXPECT_EQ(storage.Encryptor(), &encryptor);
    EXPECT_EQ(GetObjectProp(&storage, encryptorProp), &encryptor);

    const QMetaProperty active = GetPropInfo(&storage, u"Active");
    ASSERT_EQ(PropKind(active), tkEnumeration);
    EXPECT_TRUE(SetOrdProp(&storage, active, 0));
    EXPECT_FALSE(storage.Active());

    const QMetaProperty options = GetPropInfo(&storage, u"Options");
    ASSERT_EQ(PropKind(options), tkSet);
    EXPECT_EQ(GetSetElementName(options, 0), "soSaveOnClose");
    EXPECT_EQ(GetSetElementOrdinal(options, u"soSaveEmptySection"), 1);
    EXPECT_EQ(GetOrdProp(&storage, options), 1) << "the default holds soSaveOnClose";
    EXPECT_TRUE(SetOrdProp(&storage, options, 2));
    EXPECT_EQ(storage.Options(), TrsStorageOptions { soSaveEmptySection });
    storage.SetEncryptor(nullptr);
    storage.SetStorageData(nullptr);
}

TEST(StorageProperties, ClientsPublishActiveAndTheirStorage)
{
    TrsStorage storage;
    TRecordingClient client;
    client.SetNotifications({ scnKeyAdd });
    const QMetaProperty storageProp = GetPropInfo(&client, u"Storage");
    ASSERT_EQ(PropKind(storageProp), tkClass);
    EXPECT_TRUE(SetObjectProp(&client, storageProp, &storage));
    EXPECT_EQ(client.Storage(), &storage);
    storage.WriteString("k", "v");
    EXPECT_EQ(client.Received, QStringList { "8:k" })
        << "setting the property joins the storage's client list";

    const QMetaProperty active = GetPropInfo(&client, u"Active");
    ASSERT_EQ(PropKind(active), tkEnumeration);
    EXPECT_TRUE(SetOrdProp(&client, active, GetEnumValue(active, u"False")));
    EXPECT_FALSE(client.Active());
    EXPECT_TRUE(SetObjectProp(&client, storageProp, nullptr));
    EXPECT_EQ(client.Storage(), nullptr);
}

TEST(StorageProperties, EncryptorPublishesActiveEncryptAllAndTheKeyListAsAList)
{
    TRecordingEncryptor encryptor;
    ASSERT_EQ(PropKind(GetPropInfo(&encryptor, u"EncryptAll")), tkEnumeration);
    EXPECT_TRUE(SetOrdProp(&encryptor, GetPropInfo(&encryptor, u"EncryptAll"), 1));
    EXPECT_TRUE(encryptor.EncryptAll());
    EXPECT_TRUE(SetOrdProp(&encryptor, GetPropInfo(&encryptor, u"Active"), 0));
    EXPECT_FALSE(encryptor.Active());

    const QMetaProperty keys = GetPropInfo(&encryptor, u"EncryptKeys");
    ASSERT_EQ(PropKind(keys), tkClass);
    auto* lines = qobject_cast<TStrings*>(GetObjectProp(&encryptor, keys));
    ASSERT_NE(lines, nullptr);
    lines->SetText(u"\\A\\k\r\nB");
    EXPECT_EQ(encryptor.EncryptKeys(), (QStringList { "\\A\\k", "B" }))
        << "the published list is the key list itself";
    TStrings other(QStringList { "C" });
    EXPECT_TRUE(SetObjectProp(&encryptor, keys, &other));
    EXPECT_EQ(encryptor.EncryptKeys(), QStringList { "C" }) << "assigning copies the lines";
    EXPECT_TRUE(SetObjectProp(&encryptor, keys, nullptr));
    EXPECT_TRUE(encryptor.EncryptKeys().isEmpty());
}
