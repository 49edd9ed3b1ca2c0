// Test doubles for the storage tests: a client that records notifications,
// a storage data that keeps a tree as (path, text) pairs in memory, and an
// encryptor that records its calls.
#pragma once

#include "storage/TrsEncryptor.h"
#include "storage/TrsStorage.h"
#include "storage/TrsStorageClient.h"
#include "storage/TrsStorageData.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <stdexcept>

class TRecordingClient : public TrsStorageClient {
public:
    explicit TRecordingClient(TComponent* owner = nullptr, TrsClientNotifications kinds = AllKinds())
        : TrsStorageClient(owner)
    {
        SetNotifications(kinds);
    }

    static TrsClientNotifications AllKinds() { return TrsClientNotifications::FromBits(0xFFF); }

    void StorageNotify(TrsClientNotification value, const QString* wParam, qintptr) override
    {
        Received.append(QString::number(int(value)) + u':' + (wParam ? *wParam : QStringLiteral("<none>")));
    }

    QStringList Received;
};

// Entries in the form "A\B\key" -> text; loading builds the tree the way the
// file backends do (SectionAdd, ChangeDownRootSection, bare key names,
// ChangeUpRootSection), saving walks it with the range operations.
class TMemoryData : public TrsStorageData {
public:
    using TrsStorageData::TrsStorageData;

    std::map<QString, QString> Entries;
    std::function<void()> DuringTransfer; // runs inside DoLoadStorage/DoSaveStorage
    bool FailSave = false;
    bool FailLoad = false;
    int Loads = 0;
    int Saves = 0;

protected:
    void DoLoadStorage() override
    {
        ++Loads;
        if (DuringTransfer)
            DuringTransfer();
        TrsStorage* storage = Storage();
        for (const auto& [path, text] : Entries) {
            QStringList parts = path.split(u'\\');
            const QString key = parts.takeLast();
            for (const QString& section : parts) {
                storage->SectionAdd(section);
                storage->ChangeDownRootSection(section);
            }
            storage->WriteString(key, text);
            for (qsizetype i = 0; i < parts.size(); ++i)
                storage->ChangeUpRootSection();
        }
        if (FailLoad)
            throw std::runtime_error("load failed");
    }

    void DoSaveStorage() override
    {
        ++Saves;
        if (DuringTransfer)
            DuringTransfer();
        if (FailSave)
            throw std::runtime_error("save failed");
        Entries.clear();
        Walk(*Storage(), QString());
    }

private:
    void Walk(TrsStorage& storage, const QString& prefix)
    {
        int begin;
        int end;
        if (storage.GetKeyRange(begin, end))
            for (int i = begin; i < end; ++i) {
                storage.KeyWrapper().SetKeyItem(storage.GetKeyItem(i));
                Entries[prefix + storage.GetKeyItem(i)->Name] = storage.KeyWrapper().AsString();
            }
        QStringList names;
        storage.SectionList(names);
        for (const QString& name : names) {
            storage.ChangeDownRootSection(name);
            Walk(storage, prefix + name + u'\\');
            storage.ChangeUpRootSection();
        }
    }
};

class TRecordingEncryptor : public TrsEncryptor {
public:
    using TrsEncryptor::TrsEncryptor;

    void DoEncrypt() override { Calls.append(QStringLiteral("encrypt")); }
    void DoDecrypt() override { Calls.append(QStringLiteral("decrypt")); }

    QStringList Calls;
};
