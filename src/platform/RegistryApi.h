// The registry functions as one replaceable object, for code that must run
// against a registry it is given: the default object calls the functions of
// Registry.h, and a test derives from it to fail chosen calls. The object
// holds no state; the caller owns any object it creates. As thread-safe as
// the functions it calls.
#pragma once

#include "platform/Registry.h"

class TRegistryApi {
public:
    virtual ~TRegistryApi() = default;

    // The object that calls the real registry functions; never freed.
    static TRegistryApi& Default();

    virtual LONG RegOpenKeyExW(
        HKEY hKey, const char16_t* lpSubKey, DWORD ulOptions, REGSAM samDesired, HKEY* phkResult);
    virtual LONG RegOpenKeyExA(
        HKEY hKey, const char* lpSubKey, DWORD ulOptions, REGSAM samDesired, HKEY* phkResult);
    virtual LONG RegCreateKeyExW(HKEY hKey, const char16_t* lpSubKey, DWORD Reserved, const char16_t* lpClass,
        DWORD dwOptions, REGSAM samDesired, const void* lpSecurityAttributes, HKEY* phkResult,
        DWORD* lpdwDisposition);
    virtual LONG RegCreateKeyExA(HKEY hKey, const char* lpSubKey, DWORD Reserved, const char* lpClass,
        DWORD dwOptions, REGSAM samDesired, const void* lpSecurityAttributes, HKEY* phkResult,
        DWORD* lpdwDisposition);
    virtual LONG RegCloseKey(HKEY hKey);
    virtual LONG RegQueryInfoKeyW(HKEY hKey, char16_t* lpClass, DWORD* lpcchClass, DWORD* lpReserved,
        DWORD* lpcSubKeys, DWORD* lpcbMaxSubKeyLen, DWORD* lpcbMaxClassLen, DWORD* lpcValues,
        DWORD* lpcbMaxValueNameLen, DWORD* lpcbMaxValueLen, DWORD* lpcbSecurityDescriptor,
        FILETIME* lpftLastWriteTime);
    virtual LONG RegQueryInfoKeyA(HKEY hKey, char* lpClass, DWORD* lpcchClass, DWORD* lpReserved,
        DWORD* lpcSubKeys, DWORD* lpcbMaxSubKeyLen, DWORD* lpcbMaxClassLen, DWORD* lpcValues,
        DWORD* lpcbMaxValueNameLen, DWORD* lpcbMaxValueLen, DWORD* lpcbSecurityDescriptor,
        FILETIME* lpftLastWriteTime);
    virtual LONG RegEnumKeyExW(HKEY hKey, DWORD dwIndex, char16_t* lpName, DWORD* lpcchName,
        DWORD* lpReserved, char16_t* lpClass, DWORD* lpcchClass, FILETIME* lpftLastWriteTime);
    virtual LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, char* lpName, DWORD* lpcchName, DWORD* lpReserved,
        char* lpClass, DWORD* lpcchClass, FILETIME* lpftLastWriteTime);
    virtual LONG RegEnumValueW(HKEY hKey, DWORD dwIndex, char16_t* lpValueName, DWORD* lpcchValueName,
        DWORD* lpReserved, DWORD* lpType, BYTE* lpData, DWORD* lpcbData);
    virtual LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, char* lpValueName, DWORD* lpcchValueName,
        DWORD* lpReserved, DWORD* lpType, BYTE* lpData, DWORD* lpcbData);
    virtual LONG RegQueryValueExW(HKEY hKey, const char16_t* lpValueName, DWORD* lpReserved, DWORD* lpType,
        BYTE* lpData, DWORD* lpcbData);
    virtual LONG RegQueryValueExA(
        HKEY hKey, const char* lpValueName, DWORD* lpReserved, DWORD* lpType, BYTE* lpData, DWORD* lpcbData);
    virtual LONG RegSetValueExW(HKEY hKey, const char16_t* lpValueName, DWORD Reserved, DWORD dwType,
        const BYTE* lpData, DWORD cbData);
    virtual LONG RegSetValueExA(
        HKEY hKey, const char* lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData, DWORD cbData);
    virtual LONG RegDeleteKeyW(HKEY hKey, const char16_t* lpSubKey);
    virtual LONG RegDeleteKeyA(HKEY hKey, const char* lpSubKey);
    virtual LONG RegDeleteValueW(HKEY hKey, const char16_t* lpValueName);
    virtual LONG RegDeleteValueA(HKEY hKey, const char* lpValueName);
    virtual LONG RegConnectRegistryW(const char16_t* lpMachineName, HKEY hKey, HKEY* phkResult);
};
