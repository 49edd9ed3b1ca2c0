#include "platform/LocalRegistry.h"

#include "framework/AnsiCodePage.h"
#include "framework/TextCompare.h"
#include "platform/WineRegFile.h"

#include <QSysInfo>

namespace {

constexpr qsizetype MaxKeyNameLength = 255;
constexpr qsizetype MaxValueNameLength = 16383;
const QString UserSid = QStringLiteral("S-1-5-21-0-0-0-1000");

// Splits a key path at "\". Empty names between separators are skipped; a
// leading separator makes the path invalid, as it does on Windows.
LONG SplitPath(QStringView path, QStringList& names)
{
    if (path.startsWith(u'\\'))
        return ERROR_BAD_PATHNAME;
    for (QStringView name : path.split(u'\\', Qt::SkipEmptyParts)) {
        if (name.size() > MaxKeyNameLength)
            return ERROR_INVALID_PARAMETER;
        names.append(name.toString());
    }
    return ERROR_SUCCESS;
}

int Depth(const TRegKey* key)
{
    int depth = 0;
    for (; key && key->Parent(); key = key->Parent())
        ++depth;
    return depth;
}

REGSAM Granted(REGSAM desired)
{
    return (desired & MAXIMUM_ALLOWED) ? KEY_ALL_ACCESS : desired;
}

} // namespace

TLocalRegistry& TLocalRegistry::Instance()
{
    static TLocalRegistry registry;
    return registry;
}

TLocalRegistry::TLocalRegistry()
    : FMachine(QStringLiteral("system.reg"), { QStringLiteral("REGISTRY"), QStringLiteral("Machine") })
    , FUser(QStringLiteral("user.reg"), { QStringLiteral("REGISTRY"), QStringLiteral("User"), UserSid })
    , FUserDefault(QStringLiteral("userdef.reg"),
          { QStringLiteral("REGISTRY"), QStringLiteral("User"), QStringLiteral(".Default") })
{
    // HKEY_USERS lists the two user hives that are mounted below it.
    FUsers.Root()->AddSubKey(QStringLiteral(".Default"))->SetTime(TRegistryHive::Now());
    FUsers.Root()->AddSubKey(UserSid)->SetTime(TRegistryHive::Now());
}

TRegistryHive* TLocalRegistry::MountedHive(TRegistryHive* hive, const TRegKey* node, QStringList& names)
{
    if (hive != &FUsers || (node && node != FUsers.Root().get()) || names.isEmpty())
        return nullptr;
    TRegistryHive* mounted = SameText(names.first(), u".Default") ? &FUserDefault
        : SameText(names.first(), UserSid)                        ? &FUser
                                                                  : nullptr;
    if (mounted)
        names.removeFirst();
    return mounted;
}

TRegistryHive* TLocalRegistry::PredefinedHive(HKEY key, QStringList& names)
{
    switch (key) {
    case HKEY_CLASSES_ROOT:
        names = QStringList { QStringLiteral("Software"), QStringLiteral("Classes") } + names;
        return &FMachine;
    case HKEY_CURRENT_USER:
        return &FUser;
    case HKEY_LOCAL_MACHINE:
        return &FMachine;
    case HKEY_USERS:
        return &FUsers;
    case HKEY_PERFORMANCE_DATA:
        return &FPerformanceData;
    case HKEY_CURRENT_CONFIG:
        return &FCurrentConfig;
    case HKEY_DYN_DATA:
        return &FDynData;
    default:
        return nullptr;
    }
}

LONG TLocalRegistry::Find(
    HKEY key, QStringList names, REGSAM needed, bool create, const TCreation& creation, TFound& found)
{
    TRegistryHive* hive;
    TRegKey::TPtr node;
    REGSAM access = KEY_ALL_ACCESS;
    if (const auto it = FHandles.find(key); it != FHandles.end()) {
        if (it->second.FKey->Deleted())
            return ERROR_KEY_DELETED;
        hive = it->second.FHive;
        node = it->second.FKey;
        access = it->second.FAccess;
    } else if (!(hive = PredefinedHive(key, names))) {
        return ERROR_INVALID_HANDLE;
    }
    if ((access & needed) != needed)
        return ERROR_ACCESS_DENIED;
    if (TRegistryHive* mounted = MountedHive(hive, node.get(), names)) {
        hive = mounted;
        node = nullptr;
    }
    if (const LONG result = hive->Acquire(); result != ERROR_SUCCESS)
        return result;
    if (!node)
        node = hive->Root();
    qsizetype i = 0;
    for (TRegKey::TPtr next; i < names.size() && (next = node->FindSubKey(names[i])); ++i)
        node = next;
    LONG result = ERROR_SUCCESS;
    if (i < names.size() && !create)
        result = ERROR_FILE_NOT_FOUND;
    else if (i < names.size() && !(access & KEY_CREATE_SUB_KEY))
        result = ERROR_ACCESS_DENIED;
    else if (i < names.size())
        result = CreatePath(*hive, node, names.mid(i), creation);
    if (result != ERROR_SUCCESS) {
        hive->Release();
        return result;
    }
    found = TFound { hive, node, i < names.size() };
    return ERROR_SUCCESS;
}

LONG TLocalRegistry::CreatePath(
    TRegistryHive& hive, TRegKey::TPtr& node, const QStringList& names, const TCreation& creation)
{
    const bool isVolatile = creation.FOptions & REG_OPTION_VOLATILE;
    if (node->Volatile() && !isVolatile)
        return ERROR_CHILD_MUST_BE_VOLATILE;
    if (Depth(node.get()) + names.size() > TWineRegFile::MaxDepth)
        return ERROR_INVALID_PARAMETER;
    const quint64 now = TRegistryHive::Now();
    for (const QString& name : names) {
        node->SetTime(now);
        node = node->AddSubKey(name);
        node->SetTime(now);
        node->SetVolatile(isVolatile);
    }
    if (creation.FClass)
        node->SetClass(*creation.FClass);
    hive.MarkDirty();
    return ERROR_SUCCESS;
}

HKEY TLocalRegistry::AddHandle(TRegistryHive* hive, TRegKey::TPtr key, REGSAM access)
{
    const HKEY handle = FNextHandle;
    FNextHandle += 4;
    FHandles.emplace(handle, THandle { hive, std::move(key), Granted(access) });
    return handle;
}

LONG TLocalRegistry::WithKey(HKEY key, REGSAM needed, const TKeyOperation& operation)
{
    TFound found;
    if (const LONG result = Find(key, {}, needed, false, {}, found); result != ERROR_SUCCESS)
        return result;
    const LONG result = operation(*found.FHive, *found.FKey);
    const LONG released = found.FHive->Release();
    return result != ERROR_SUCCESS ? result : released;
}

LONG TLocalRegistry::OpenKey(HKEY key, QStringView subKey, REGSAM access, HKEY& result)
{
    QStringList names;
    if (const LONG error = SplitPath(subKey, names); error != ERROR_SUCCESS)
        return error;
    std::lock_guard lock(FMutex);
    TFound found;
    if (const LONG error = Find(key, names, 0, false, {}, found); error != ERROR_SUCCESS)
        return error;
    result = AddHandle(found.FHive, found.FKey, access);
    return ERROR_SUCCESS;
}

LONG TLocalRegistry::CreateKey(HKEY key, QStringView subKey, const QString* keyClass, DWORD options,
    REGSAM access, HKEY& result, DWORD* disposition)
{
    QStringList names;
    if (const LONG error = SplitPath(subKey, names); error != ERROR_SUCCESS)
        return error;
    std::lock_guard lock(FMutex);
    TFound found;
    if (const LONG error = Find(key, names, 0, true, { keyClass, options }, found); error != ERROR_SUCCESS)
        return error;
    result = AddHandle(found.FHive, found.FKey, access);
    if (disposition)
        *disposition = found.FCreated ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LONG TLocalRegistry::CloseKey(HKEY key)
{
    std::lock_guard lock(FMutex);
    QStringList none;
    if (PredefinedHive(key, none))
        return ERROR_SUCCESS;
    const auto it = FHandles.find(key);
    if (it == FHandles.end())
        return ERROR_INVALID_HANDLE;
    TRegistryHive* hive = it->second.FHive;
    FHandles.erase(it);
    return hive->Release();
}

LONG TLocalRegistry::QueryInfoKey(HKEY key, bool ansi, TRegKeyInfo& info)
{
    const auto length
        = [ansi](const QString& name) { return DWORD(ansi ? AnsiEncode(name).size() : name.size()); };
    std::lock_guard lock(FMutex);
    return WithKey(key, KEY_QUERY_VALUE, [&](TRegistryHive&, TRegKey& node) {
        info = TRegKeyInfo();
        info.FClass = node.Class();
        info.FTime = node.Time();
        info.FSubKeys = DWORD(node.SubKeys().size());
        for (const auto& sub : node.SubKeys()) {
            info.FMaxSubKeyLen = std::max(info.FMaxSubKeyLen, length(sub->Name()));
            info.FMaxClassLen = std::max(info.FMaxClassLen, length(sub->Class()));
        }
        info.FValues = DWORD(node.Values().size());
        for (const TRegValue& value : node.Values()) {
            info.FMaxValueNameLen = std::max(info.FMaxValueNameLen, length(value.FName));
            info.FMaxValueLen = std::max(info.FMaxValueLen, DWORD(value.FData.size()));
        }
        return ERROR_SUCCESS;
    });
}

LONG TLocalRegistry::EnumKey(HKEY key, DWORD index, QString& name, QString& keyClass, quint64& time)
{
    std::lock_guard lock(FMutex);
    return WithKey(key, KEY_ENUMERATE_SUB_KEYS, [&](TRegistryHive&, TRegKey& node) {
        if (index >= node.SubKeys().size())
            return ERROR_NO_MORE_ITEMS;
        const TRegKey& sub = *node.SubKeys()[index];
        name = sub.Name();
        keyClass = sub.Class();
        time = sub.Time();
        return ERROR_SUCCESS;
    });
}

LONG TLocalRegistry::EnumValue(HKEY key, DWORD index, TRegValue& value)
{
    std::lock_guard lock(FMutex);
    return WithKey(key, KEY_QUERY_VALUE, [&](TRegistryHive&, TRegKey& node) {
        if (index >= node.Values().size())
            return ERROR_NO_MORE_ITEMS;
        value = node.Values()[index];
        return ERROR_SUCCESS;
    });
}

LONG TLocalRegistry::QueryValue(HKEY key, QStringView name, TRegValue& value)
{
    std::lock_guard lock(FMutex);
    return WithKey(key, KEY_QUERY_VALUE, [&](TRegistryHive&, TRegKey& node) {
        const TRegValue* found = node.FindValue(name);
        if (!found)
            return ERROR_FILE_NOT_FOUND;
        value = *found;
        return ERROR_SUCCESS;
    });
}

LONG TLocalRegistry::SetValue(HKEY key, QStringView name, DWORD type, QByteArray data)
{
    if (name.size() > MaxValueNameLength)
        return ERROR_INVALID_PARAMETER;
    std::lock_guard lock(FMutex);
    return WithKey(key, KEY_SET_VALUE, [&](TRegistryHive& hive, TRegKey& node) {
        node.SetValue(name.toString(), type, std::move(data));
        node.SetTime(TRegistryHive::Now());
        hive.MarkDirty();
        return ERROR_SUCCESS;
    });
}

LONG TLocalRegistry::DeleteValue(HKEY key, QStringView name)
{
    std::lock_guard lock(FMutex);
    return WithKey(key, KEY_SET_VALUE, [&](TRegistryHive& hive, TRegKey& node) {
        if (!node.RemoveValue(name))
            return ERROR_FILE_NOT_FOUND;
        node.SetTime(TRegistryHive::Now());
        hive.MarkDirty();
        return ERROR_SUCCESS;
    });
}

LONG TLocalRegistry::DeleteKey(HKEY key, QStringView subKey)
{
    QStringList names;
    if (const LONG error = SplitPath(subKey, names); error != ERROR_SUCCESS)
        return error;
    std::lock_guard lock(FMutex);
    QStringList none;
    if (names.isEmpty() && PredefinedHive(key, none))
        return ERROR_ACCESS_DENIED;
    TFound found;
    if (const LONG error = Find(key, names, 0, false, {}, found); error != ERROR_SUCCESS)
        return error;
    TRegKey& node = *found.FKey;
    TRegKey* parent = node.Parent();
    // Hive roots stay, and so does a key with subkeys, as on Windows.
    LONG result = ERROR_ACCESS_DENIED;
    if (parent && !found.FHive->IsRoot(node) && node.SubKeys().empty()) {
        parent->RemoveSubKey(node.Name());
        parent->SetTime(TRegistryHive::Now());
        found.FHive->MarkDirty();
        result = ERROR_SUCCESS;
    }
    const LONG released = found.FHive->Release();
    return result != ERROR_SUCCESS ? result : released;
}

LONG TLocalRegistry::ConnectRegistry(QStringView machineName, HKEY key, HKEY& result)
{
    QStringView name = machineName;
    while (name.startsWith(u'\\'))
        name = name.sliced(1);
    if (!name.isEmpty() && !SameText(name, QSysInfo::machineHostName()))
        return ERROR_BAD_NETPATH;
    QStringList none;
    if (!PredefinedHive(key, none))
        return ERROR_INVALID_HANDLE;
    result = key;
    return ERROR_SUCCESS;
}
