// TrsRegData: the storage data that keeps a storage tree in the registry. The
// key RootPath below the root key RootKey stands for the top level of the
// tree: its values are the top-level keys and its subkeys the top-level
// sections, recursively. A load walks the registry and adds what it finds to
// the current storage; a save empties the root key and writes the tree anew.
// Texts are UTF-16 in wide mode (Unicode) and in the ANSI code page otherwise.
//
// The registry is reached through a TRegistryApi, the real one unless a test
// gives another; the data does not own it. Every load or save opens and
// closes its keys itself. The storage it works on is borrowed. Not
// thread-safe.
#pragma once

#include "platform/RegistryApi.h"
#include "storage/TrsStorageData.h"

#include <QByteArray>
#include <QObject>
#include <QString>

struct TrsKeyItem;

// In a Q_NAMESPACE so that RootKey is published with its value names.
namespace TrsRegDataTypes {
Q_NAMESPACE

enum TrsRegRootKey {
    rkClassesRoot = 0,
    rkCurrentUser = 1,
    rkLocalMachine = 2,
    rkUsers = 3,
    rkPerformanceData = 4,
    rkCurrentConfig = 5,
    rkDynData = 6
};
Q_ENUM_NS(TrsRegRootKey)

} // namespace TrsRegDataTypes

using TrsRegDataTypes::TrsRegRootKey;
using enum TrsRegDataTypes::TrsRegRootKey;

class TrsKeyWrapper;

class TrsRegData : public TrsStorageData {
    Q_OBJECT
    Q_PROPERTY(TrsRegDataTypes::TrsRegRootKey RootKey READ RootKey WRITE SetRootKey)
    Q_PROPERTY(QString RootPath READ RootPath WRITE SetRootPath)
    Q_PROPERTY(bool Unicode READ Unicode WRITE SetUnicode)

public:
    explicit TrsRegData(TComponent* AOwner = nullptr);

    TrsRegRootKey RootKey() const { return FRootKey; }
    void SetRootKey(TrsRegRootKey Value) { FRootKey = Value; }
    QString RootPath() const { return FRootPath; }
    // Stores the path without its leading and trailing "/" and "\".
    void SetRootPath(const QString& Value);
    bool Unicode() const { return FUnicode; }
    void SetUnicode(bool Value) { FUnicode = Value; }
    // Empty = the local registry.
    QString RemoteComputerName() const { return FRemoteComputerName; }
    void SetRemoteComputerName(const QString& Value) { FRemoteComputerName = Value; }

    // Sets RootKey to the root whose predefined handle is KEY; any other
    // handle leaves RootKey unchanged.
    void RootKeyAssign(HKEY Key);
    // The predefined handle of a root key.
    static HKEY RootKeyHandle(TrsRegRootKey Key);

    TRegistryApi& RegistryApi() const { return *FRegistryApi; }
    // Null restores the real registry.
    void SetRegistryApi(TRegistryApi* Value) { FRegistryApi = Value ? Value : &TRegistryApi::Default(); }

protected:
    void DoLoadStorage() override;
    void DoSaveStorage() override;

private:
    bool Wide() const { return FUnicode && isNT; }
    HKEY OpenRootKey();
    void CloseRootKey(HKEY Root);
    int CountRegValues(HKEY Key);
    void ReadRegKey(HKEY Key);
    void ReadValue(const QString& Name, DWORD Type, const QByteArray& Data);
    void WriteKeyValue(TrsKeyWrapper& Key, DWORD Type, const QByteArray& Data);
    void CheckSectionNames();
    void ClearRegKey(HKEY Key);
    void DeleteSubKeys(HKEY Key);
    void WriteRegKey(HKEY Key);
    void WriteRegValue(HKEY Key, const TrsKeyItem& Item);
    [[noreturn]] void RaiseRegError(const char* Text, LONG Code) const;

    // The registry functions in the form of the current mode.
    LONG OpenKey(HKEY Key, const QString& SubKey, REGSAM Access, HKEY& Result);
    LONG CreateKey(HKEY Key, const QString& SubKey, HKEY& Result);
    LONG CloseKey(HKEY Key);
    LONG QueryInfo(HKEY Key, DWORD& SubKeys, DWORD& MaxSubKeyLen, DWORD& Values, DWORD& MaxValueNameLen,
        DWORD& MaxValueLen);
    LONG EnumKeyName(HKEY Key, DWORD Index, DWORD BufferSize, QString& Name);
    LONG EnumValueName(HKEY Key, DWORD Index, DWORD BufferSize, QString& Name);
    LONG QueryValue(HKEY Key, const QString& Name, DWORD& Type, QByteArray& Data);
    LONG SetValue(HKEY Key, const QString& Name, DWORD Type, const QByteArray& Data);
    LONG DeleteKey(HKEY Key, const QString& SubKey);
    LONG DeleteValue(HKEY Key, const QString& Name);

    QString FRootPath;
    TrsRegRootKey FRootKey = rkLocalMachine;
    QString FRemoteComputerName;
    bool FUnicode = false;
    // This registry always offers the wide functions.
    bool isNT = true;
    TRegistryApi* FRegistryApi = &TRegistryApi::Default();
};
