// The registry interface in the shape of the Windows registry functions, in
// wide (char16_t) and 8-bit (ANSI code page) forms, for code written against
// that interface. Linux has no registry: this one keeps HKEY_CURRENT_USER in
// $WINEPREFIX/user.reg, HKEY_LOCAL_MACHINE in system.reg and
// HKEY_USERS\.Default in userdef.reg (WINEPREFIX defaults to ~/.wine), in
// Wine's own file format, so settings a user made under Wine are found here
// and the other way round. HKEY_CLASSES_ROOT is the key Software\Classes of
// HKEY_LOCAL_MACHINE; the remaining roots live in memory only. A hive is read when its
// first handle opens and written back when its last handle closes after a
// change. Functions return Windows error codes (WinError.h). The caller owns
// every handle it opens and closes it with RegCloseKey. Thread-safe: all
// functions run under one process-wide lock.
#pragma once

#include "platform/RegKey.h"
#include "platform/WinError.h"

#include <cstdint>

using HKEY = std::uint32_t;
using REGSAM = DWORD;
using BYTE = std::uint8_t;

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002;
inline constexpr HKEY HKEY_USERS = 0x80000003;
inline constexpr HKEY HKEY_PERFORMANCE_DATA = 0x80000004;
inline constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005;
inline constexpr HKEY HKEY_DYN_DATA = 0x80000006;

inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
inline constexpr REGSAM KEY_CREATE_LINK = 0x0020;
inline constexpr REGSAM READ_CONTROL = 0x00020000;
inline constexpr REGSAM KEY_READ = 0x00020019;
inline constexpr REGSAM KEY_WRITE = 0x00020006;
inline constexpr REGSAM KEY_ALL_ACCESS = 0x000F003F;
inline constexpr REGSAM MAXIMUM_ALLOWED = 0x02000000;

inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
inline constexpr DWORD REG_OPTION_VOLATILE = 1;
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Opens SUBKEY (a path with "\" between names; null or empty = the key
// itself, as a new handle) of an open or predefined key.
LONG RegOpenKeyExW(HKEY hKey, const char16_t* lpSubKey, DWORD ulOptions, REGSAM samDesired, HKEY* phkResult);
LONG RegOpenKeyExA(HKEY hKey, const char* lpSubKey, DWORD ulOptions, REGSAM samDesired, HKEY* phkResult);

// Opens SUBKEY, creating it and every missing key on its path first.
LONG RegCreateKeyExW(HKEY hKey, const char16_t* lpSubKey, DWORD Reserved, const char16_t* lpClass,
    DWORD dwOptions, REGSAM samDesired, const void* lpSecurityAttributes, HKEY* phkResult,
    DWORD* lpdwDisposition);
LONG RegCreateKeyExA(HKEY hKey, const char* lpSubKey, DWORD Reserved, const char* lpClass, DWORD dwOptions,
    REGSAM samDesired, const void* lpSecurityAttributes, HKEY* phkResult, DWORD* lpdwDisposition);

// Closes a handle; closing the last handle of a changed hive writes its
// file, and a failed write is reported here.
LONG RegCloseKey(HKEY hKey);

// Counts and longest lengths: names in characters without the terminating
// zero, data in bytes.
LONG RegQueryInfoKeyW(HKEY hKey, char16_t* lpClass, DWORD* lpcchClass, DWORD* lpReserved, DWORD* lpcSubKeys,
    DWORD* lpcbMaxSubKeyLen, DWORD* lpcbMaxClassLen, DWORD* lpcValues, DWORD* lpcbMaxValueNameLen,
    DWORD* lpcbMaxValueLen, DWORD* lpcbSecurityDescriptor, FILETIME* lpftLastWriteTime);
LONG RegQueryInfoKeyA(HKEY hKey, char* lpClass, DWORD* lpcchClass, DWORD* lpReserved, DWORD* lpcSubKeys,
    DWORD* lpcbMaxSubKeyLen, DWORD* lpcbMaxClassLen, DWORD* lpcValues, DWORD* lpcbMaxValueNameLen,
    DWORD* lpcbMaxValueLen, DWORD* lpcbSecurityDescriptor, FILETIME* lpftLastWriteTime);

// Subkeys and values by index, in name order ignoring letter case.
LONG RegEnumKeyExW(HKEY hKey, DWORD dwIndex, char16_t* lpName, DWORD* lpcchName, DWORD* lpReserved,
    char16_t* lpClass, DWORD* lpcchClass, FILETIME* lpftLastWriteTime);
LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, char* lpName, DWORD* lpcchName, DWORD* lpReserved, char* lpClass,
    DWORD* lpcchClass, FILETIME* lpftLastWriteTime);
LONG RegEnumValueW(HKEY hKey, DWORD dwIndex, char16_t* lpValueName, DWORD* lpcchValueName, DWORD* lpReserved,
    DWORD* lpType, BYTE* lpData, DWORD* lpcbData);
LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, char* lpValueName, DWORD* lpcchValueName, DWORD* lpReserved,
    DWORD* lpType, BYTE* lpData, DWORD* lpcbData);

// Typed values; a null or empty name is the key's default value. The 8-bit
// forms convert the data of string types to and from the ANSI code page.
LONG RegQueryValueExW(
    HKEY hKey, const char16_t* lpValueName, DWORD* lpReserved, DWORD* lpType, BYTE* lpData, DWORD* lpcbData);
LONG RegQueryValueExA(
    HKEY hKey, const char* lpValueName, DWORD* lpReserved, DWORD* lpType, BYTE* lpData, DWORD* lpcbData);
LONG RegSetValueExW(
    HKEY hKey, const char16_t* lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData, DWORD cbData);
LONG RegSetValueExA(
    HKEY hKey, const char* lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData, DWORD cbData);

// Deletes a key that has no subkeys (ERROR_ACCESS_DENIED otherwise), or a value.
LONG RegDeleteKeyW(HKEY hKey, const char16_t* lpSubKey);
LONG RegDeleteKeyA(HKEY hKey, const char* lpSubKey);
LONG RegDeleteValueW(HKEY hKey, const char16_t* lpValueName);
LONG RegDeleteValueA(HKEY hKey, const char* lpValueName);

// A predefined key of another computer. Only this computer is reachable
// (an empty name or its own host name); any other gives ERROR_BAD_NETPATH.
LONG RegConnectRegistryW(const char16_t* lpMachineName, HKEY hKey, HKEY* phkResult);
LONG RegConnectRegistryA(const char* lpMachineName, HKEY hKey, HKEY* phkResult);
