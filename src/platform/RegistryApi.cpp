#include "platform/RegistryApi.h"

TRegistryApi& TRegistryApi::Default()
{
    static TRegistryApi api;
    return api;
}

LONG TRegistryApi::RegOpenKeyExW(
    HKEY hKey, const char16_t* lpSubKey, DWORD ulOptions, REGSAM samDesired, HKEY* phkResult)
{
    return ::RegOpenKeyExW(hKey, lpSubKey, ulOptions, samDesired, phkResult);
}

LONG TRegistryApi::RegOpenKeyExA(
    HKEY hKey, const char* lpSubKey, DWORD ulOptions, REGSAM samDesired, HKEY* phkResult)
{
    return ::RegOpenKeyExA(hKey, lpSubKey, ulOptions, samDesired, phkResult);
}

LONG TRegistryApi::RegCreateKeyExW(HKEY hKey, const char16_t* lpSubKey, DWORD Reserved,
    const char16_t* lpClass, DWORD dwOptions, REGSAM samDesired, const void* lpSecurityAttributes,
    HKEY* phkResult, DWORD* lpdwDisposition)
{
    return ::RegCreateKeyExW(hKey, lpSubKey, Reserved, lpClass, dwOptions, samDesired, lpSecurityAttributes,
        phkResult, lpdwDisposition);
}

LONG TRegistryApi::RegCreateKeyExA(HKEY hKey, const char* lpSubKey, DWORD Reserved, const char* lpClass,
    DWORD dwOptions, REGSAM samDesired, const void* lpSecurityAttributes, HKEY* phkResult,
    DWORD* lpdwDisposition)
{
    return ::RegCreateKeyExA(hKey, lpSubKey, Reserved, lpClass, dwOptions, samDesired, lpSecurityAttributes,
        phkResult, lpdwDisposition);
}

LONG TRegistryApi::RegCloseKey(HKEY hKey)
{
    return ::RegCloseKey(hKey);
}

LONG TRegistryApi::RegQueryInfoKeyW(HKEY hKey, char16_t* lpClass, DWORD* lpcchClass, DWORD* lpReserved,
    DWORD* lpcSubKeys, DWORD* lpcbMaxSubKeyLen, DWORD* lpcbMaxClassLen, DWORD* lpcValues,
    DWORD* lpcbMaxValueNameLen, DWORD* lpcbMaxValueLen, DWORD* lpcbSecurityDescriptor,
    FILETIME* lpftLastWriteTime)
{
    return ::RegQueryInfoKeyW(hKey, lpClass, lpcchClass, lpReserved, lpcSubKeys, lpcbMaxSubKeyLen,
        lpcbMaxClassLen, lpcValues, lpcbMaxValueNameLen, lpcbMaxValueLen, lpcbSecurityDescriptor,
        lpftLastWriteTime);
}

LONG TRegistryApi::RegQueryInfoKeyA(HKEY hKey, char* lpClass, DWORD* lpcchClass, DWORD* lpReserved,
    DWORD* lpcSubKeys, DWORD* lpcbMaxSubKeyLen, DWORD* lpcbMaxClassLen, DWORD* lpcValues,
    DWORD* lpcbMaxValueNameLen, DWORD* lpcbMaxValueLen, DWORD* lpcbSecurityDescriptor,
    FILETIME* lpftLastWriteTime)
{
    return ::RegQueryInfoKeyA(hKey, lpClass, lpcchClass, lpReserved, lpcSubKeys, lpcbMaxSubKeyLen,
        lpcbMaxClassLen, lpcValues, lpcbMaxValueNameLen, lpcbMaxValueLen, lpcbSecurityDescriptor,
        lpftLastWriteTime);
}

LONG TRegistryApi::RegEnumKeyExW(HKEY hKey, DWORD dwIndex, char16_t* lpName, DWORD* lpcchName,
    DWORD* lpReserved, char16_t* lpClass, DWORD* lpcchClass, FILETIME* lpftLastWriteTime)
{
    return ::RegEnumKeyExW(
        hKey, dwIndex, lpName, lpcchName, lpReserved, lpClass, lpcchClass, lpftLastWriteTime);
}

LONG TRegistryApi::RegEnumKeyExA(HKEY hKey, DWORD dwIndex, char* lpName, DWORD* lpcchName, DWORD* lpReserved,
    char* lpClass, DWORD* lpcchClass, FILETIME* lpftLastWriteTime)
{
    return ::RegEnumKeyExA(
        hKey, dwIndex, lpName, lpcchName, lpReserved, lpClass, lpcchClass, lpftLastWriteTime);
}

LONG TRegistryApi::RegEnumValueW(HKEY hKey, DWORD dwIndex, char16_t* lpValueName, DWORD* lpcchValueName,
    DWORD* lpReserved, DWORD* lpType, BYTE* lpData, DWORD* lpcbData)
{
    return ::RegEnumValueW(hKey, dwIndex, lpValueName, lpcchValueName, lpReserved, lpType, lpData, lpcbData);
}

LONG TRegistryApi::RegEnumValueA(HKEY hKey, DWORD dwIndex, char* lpValueName, DWORD* lpcchValueName,
    DWORD* lpReserved, DWORD* lpType, BYTE* lpData, DWORD* lpcbData)
{
    return ::RegEnumValueA(hKey, dwIndex, lpValueName, lpcchValueName, lpReserved, lpType, lpData, lpcbData);
}

LONG TRegistryApi::RegQueryValueExW(
    HKEY hKey, const char16_t* lpValueName, DWORD* lpReserved, DWORD* lpType, BYTE* lpData, DWORD* lpcbData)
{
    return ::RegQueryValueExW(hKey, lpValueName, lpReserved, lpType, lpData, lpcbData);
}

LONG TRegistryApi::RegQueryValueExA(
    HKEY hKey, const char* lpValueName, DWORD* lpReserved, DWORD* lpType, BYTE* lpData, DWORD* lpcbData)
{
    return ::RegQueryValueExA(hKey, lpValueName, lpReserved, lpType, lpData, lpcbData);
}

LONG TRegistryApi::RegSetValueExW(
    HKEY hKey, const char16_t* lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData, DWORD cbData)
{
    return ::RegSetValueExW(hKey, lpValueName, Reserved, dwType, lpData, cbData);
}

LONG TRegistryApi::RegSetValueExA(
    HKEY hKey, const char* lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData, DWORD cbData)
{
    return ::RegSetValueExA(hKey, lpValueName, Reserved, dwType, lpData, cbData);
}

LONG TRegistryApi::RegDeleteKeyW(HKEY hKey, const char16_t* lpSubKey)
{
    return ::RegDeleteKeyW(hKey, lpSubKey);
}

LONG TRegistryApi::RegDeleteKeyA(HKEY hKey, const char* lpSubKey)
{
    return ::RegDeleteKeyA(hKey, lpSubKey);
}

LONG TRegistryApi::RegDeleteValueW(HKEY hKey, const char16_t* lpValueName)
{
    return ::RegDeleteValueW(hKey, lpValueName);
}

LONG TRegistryApi::RegDeleteValueA(HKEY hKey, const char* lpValueName)
{
    return ::RegDeleteValueA(hKey, lpValueName);
}

LONG TRegistryApi::RegConnectRegistryW(const char16_t* lpMachineName, HKEY hKey, HKEY* phkResult)
{
    return ::RegConnectRegistryW(lpMachineName, hKey, phkResult);
}
