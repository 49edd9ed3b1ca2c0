// The registry of this computer behind the functions of Registry.h: the
// hives, the predefined root keys and the table of open handles. It works on
// names and byte arrays; Registry.h adds the caller's buffers and the 8-bit
// conversions. One process-wide instance owns every hive and handle.
// Thread-safe: every operation runs under the instance's lock.
#pragma once

#include "platform/Registry.h"
#include "platform/RegistryHive.h"

#include <QStringList>
#include <functional>
#include <map>
#include <mutex>

// What RegQueryInfoKey reports about a key.
struct TRegKeyInfo {
    QString FClass;
    DWORD FSubKeys = 0;
    DWORD FMaxSubKeyLen = 0;
    DWORD FMaxClassLen = 0;
    DWORD FValues = 0;
    DWORD FMaxValueNameLen = 0;
    DWORD FMaxValueLen = 0;
    quint64 FTime = 0;
};

class TLocalRegistry {
public:
    static TLocalRegistry& Instance();

    TLocalRegistry();
    TLocalRegistry(const TLocalRegistry&) = delete;
    TLocalRegistry& operator=(const TLocalRegistry&) = delete;

    LONG OpenKey(HKEY key, QStringView subKey, REGSAM access, HKEY& result);
    // KEYCLASS null = no class. DISPOSITION may be null.
    LONG CreateKey(HKEY key, QStringView subKey, const QString* keyClass, DWORD options, REGSAM access,
        HKEY& result, DWORD* disposition);
    LONG CloseKey(HKEY key);
    // ANSI measures name lengths in bytes of the ANSI code page.
    LONG QueryInfoKey(HKEY key, bool ansi, TRegKeyInfo& info);
    LONG EnumKey(HKEY key, DWORD index, QString& name, QString& keyClass, quint64& time);
    LONG EnumValue(HKEY key, DWORD index, TRegValue& value);
    LONG QueryValue(HKEY key, QStringView name, TRegValue& value);
    LONG SetValue(HKEY key, QStringView name, DWORD type, QByteArray data);
    LONG DeleteKey(HKEY key, QStringView subKey);
    LONG DeleteValue(HKEY key, QStringView name);
    LONG ConnectRegistry(QStringView machineName, HKEY key, HKEY& result);

private:
    struct THandle {
        TRegistryHive* FHive;
        TRegKey::TPtr FKey;
        REGSAM FAccess;
    };
    // A key found for an operation; its hive is acquired once for it.
    struct TFound {
        TRegistryHive* FHive = nullptr;
        TRegKey::TPtr FKey;
        bool FCreated = false;
    };
    // What a create gives the keys it makes.
    struct TCreation {
        const QString* FClass = nullptr;
        DWORD FOptions = 0;
    };
    using TKeyOperation = std::function<LONG(TRegistryHive&, TRegKey&)>;

    LONG Find(
        HKEY key, QStringList names, REGSAM needed, bool create, const TCreation& creation, TFound& found);
    LONG CreatePath(
        TRegistryHive& hive, TRegKey::TPtr& node, const QStringList& names, const TCreation& creation);
    LONG WithKey(HKEY key, REGSAM needed, const TKeyOperation& operation);
    HKEY AddHandle(TRegistryHive* hive, TRegKey::TPtr key, REGSAM access);
    TRegistryHive* PredefinedHive(HKEY key, QStringList& names);
    TRegistryHive* MountedHive(TRegistryHive* hive, const TRegKey* node, QStringList& names);

    std::recursive_mutex FMutex;
    TRegistryHive FMachine;
    TRegistryHive FUser;
    TRegistryHive FUserDefault;
    TRegistryHive FUsers;
    TRegistryHive FPerformanceData;
    TRegistryHive FCurrentConfig;
    TRegistryHive FDynData;
    std::map<HKEY, THandle> FHandles;
    HKEY FNextHandle = 0x100;
};
