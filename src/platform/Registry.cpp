#include "platform/Registry.h"

#include "framework/AnsiCodePage.h"
#include "platform/LocalRegistry.h"
#include "platform/RegText.h"

#include <cstring>

namespace {

TLocalRegistry& Local()
{
    return TLocalRegistry::Instance();
}

QString Text(const char16_t* text)
{
    return text ? QString::fromUtf16(text) : QString();
}

QString Text(const char* text)
{
    return text ? AnsiDecode(text) : QString();
}

bool IsStringType(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// The 8-bit forms see string data in the ANSI code page.
QByteArray AnsiData(DWORD type, const QByteArray& data)
{
    return IsStringType(type) ? AnsiEncode(RegBytesText(data)) : data;
}

QByteArray WideData(DWORD type, QByteArrayView data)
{
    return IsStringType(type) ? RegStringBytes(AnsiDecode(data), false) : data.toByteArray();
}

// Copies NAME and a terminating zero into a caller's buffer of *SIZE
// characters; *SIZE becomes the length without the zero.
LONG PutName(QStringView name, char16_t* buffer, DWORD* size)
{
    if (!buffer || !size)
        return ERROR_INVALID_PARAMETER;
    if (*size < DWORD(name.size()) + 1)
        return ERROR_MORE_DATA;
    if (!name.isEmpty())
        std::memcpy(buffer, name.utf16(), size_t(name.size()) * sizeof(char16_t));
    buffer[name.size()] = 0;
    *size = DWORD(name.size());
    return ERROR_SUCCESS;
}

LONG PutName(QStringView name, char* buffer, DWORD* size)
{
    const QByteArray bytes = AnsiEncode(name);
    if (!buffer || !size)
        return ERROR_INVALID_PARAMETER;
    if (*size < DWORD(bytes.size()) + 1)
        return ERROR_MORE_DATA;
    std::memcpy(buffer, bytes.constData(), size_t(bytes.size()) + 1);
    *size = DWORD(bytes.size());
    return ERROR_SUCCESS;
}

DWORD NameLength(QStringView name, char16_t*)
{
    return DWORD(name.size());
}

DWORD NameLength(QStringView name, char*)
{
    return DWORD(AnsiEncode(name).size());
}

// An optional class buffer; one too small reports the length needed.
template <typename TChar> LONG PutClass(QStringView keyClass, TChar* buffer, DWORD* size)
{
    if (!buffer)
        return ERROR_SUCCESS;
    const LONG result = PutName(keyClass, buffer, size);
    if (result == ERROR_MORE_DATA)
        *size = NameLength(keyClass, buffer);
    return result;
}

// Data into a caller's buffer: a null buffer asks for the size only; a
// buffer too small reports the size needed with ERROR_MORE_DATA.
LONG PutData(const QByteArray& data, BYTE* buffer, DWORD* size)
{
    if (!size)
        return buffer ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
    const DWORD needed = DWORD(data.size());
    if (buffer && *size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    if (buffer && needed)
        std::memcpy(buffer, data.constData(), needed);
    *size = needed;
    return ERROR_SUCCESS;
}

void PutTime(quint64 time, FILETIME* fileTime)
{
    if (fileTime)
        *fileTime = FILETIME { DWORD(time), DWORD(time >> 32) };
}

template <typename TChar>
LONG QueryInfo(HKEY hKey, TChar* lpClass, DWORD* lpcchClass, DWORD* lpcSubKeys, DWORD* lpcbMaxSubKeyLen,
    DWORD* lpcbMaxClassLen, DWORD* lpcValues, DWORD* lpcbMaxValueNameLen, DWORD* lpcbMaxValueLen,
    DWORD* lpcbSecurityDescriptor, FILETIME* lpftLastWriteTime)
{
    TRegKeyInfo info;
    const LONG result = Local().QueryInfoKey(hKey, sizeof(TChar) == 1, info);
    if (result != ERROR_SUCCESS)
        return result;
    const auto put = [](DWORD* target, DWORD value) {
        if (target)
            *target = value;
    };
    put(lpcSubKeys, info.FSubKeys);
    put(lpcbMaxSubKeyLen, info.FMaxSubKeyLen);
    put(lpcbMaxClassLen, info.FMaxClassLen);
    put(lpcValues, info.FValues);
    put(lpcbMaxValueNameLen, info.FMaxValueNameLen);
    put(lpcbMaxValueLen, info.FMaxValueLen);
    put(lpcbSecurityDescriptor, 0);
    PutTime(info.FTime, lpftLastWriteTime);
    return PutClass(info.FClass, lpClass, lpcchClass);
}

template <typename TChar>
LONG EnumKey(HKEY hKey, DWORD dwIndex, TChar* lpName, DWORD* lpcchName, TChar* lpClass, DWORD* lpcchClass,
    FILETIME* lpftLastWriteTime)
{
    QString name;
    QString keyClass;
    quint64 time = 0;
    LONG result = Local().EnumKey(hKey, dwIndex, name, keyClass, time);
    if (result == ERROR_SUCCESS)
        result = PutName(name, lpName, lpcchName);
    if (result == ERROR_SUCCESS)
        result = PutClass(keyClass, lpClass, lpcchClass);
    if (result == ERROR_SUCCESS)
        PutTime(time, lpftLastWriteTime);
    return result;
}

template <typename TChar>
LONG EnumValue(HKEY hKey, DWORD dwIndex, TChar* lpValueName, DWORD* lpcchValueName, DWORD* lpType,
    BYTE* lpData, DWORD* lpcbData)
{
    TRegValue value;
    LONG result = Local().EnumValue(hKey, dwIndex, value);
    if (result == ERROR_SUCCESS)
        result = PutName(value.FName, lpValueName, lpcchValueName);
    if (result != ERROR_SUCCESS)
        return result;
    if (lpType)
        *lpType = value.FType;
    return PutData(sizeof(TChar) == 1 ? AnsiData(value.FType, value.FData) : value.FData, lpData, lpcbData);
}

LONG QueryValue(HKEY hKey, const QString& name, bool ansi, DWORD* lpType, BYTE* lpData, DWORD* lpcbData)
{
    TRegValue value;
    const LONG result = Local().QueryValue(hKey, name, value);
    if (result != ERROR_SUCCESS)
        return result;
    if (lpType)
        *lpType = value.FType;
    return PutData(ansi ? AnsiData(value.FType, value.FData) : value.FData, lpData, lpcbData);
}

LONG SetValue(HKEY hKey, const QString& name, bool ansi, DWORD dwType, const BYTE* lpData, DWORD cbData)
{
    if (!lpData && cbData)
        return ERROR_INVALID_PARAMETER;
    const QByteArrayView data(reinterpret_cast<const char*>(lpData), lpData ? qsizetype(cbData) : 0);
    return Local().SetValue(hKey, name, dwType, ansi ? WideData(dwType, data) : data.toByteArray());
}

LONG OpenKey(HKEY hKey, const QString& subKey, REGSAM samDesired, HKEY* phkResult)
{
    if (!phkResult)
        return ERROR_INVALID_PARAMETER;
    return Local().OpenKey(hKey, subKey, samDesired, *phkResult);
}

LONG CreateKey(HKEY hKey, const QString& subKey, const QString* keyClass, DWORD dwOptions, REGSAM samDesired,
    HKEY* phkResult, DWORD* lpdwDisposition)
{
    if (!phkResult)
        return ERROR_INVALID_PARAMETER;
    return Local().CreateKey(hKey, subKey, keyClass, dwOptions, samDesired, *phkResult, lpdwDisposition);
}

LONG ConnectRegistry(const QString& machineName, HKEY hKey, HKEY* phkResult)
{
    if (!phkResult)
        return ERROR_INVALID_PARAMETER;
    return Local().ConnectRegistry(machineName, hKey, *phkResult);
}

} // namespace

LONG RegOpenKeyExW(HKEY hKey, const char16_t* lpSubKey, DWORD, REGSAM samDesired, HKEY* phkResult)
{
    return OpenKey(hKey, Text(lpSubKey), samDesired, phkResult);
}

LONG RegOpenKeyExA(HKEY hKey, const char* lpSubKey, DWORD, REGSAM samDesired, HKEY* phkResult)
{
    return OpenKey(hKey, Text(lpSubKey), samDesired, phkResult);
}

LONG RegCreateKeyExW(HKEY hKey, const char16_t* lpSubKey, DWORD, const char16_t* lpClass, DWORD dwOptions,
    REGSAM samDesired, const void*, HKEY* phkResult, DWORD* lpdwDisposition)
{
    const QString keyClass = Text(lpClass);
    return CreateKey(hKey, Text(lpSubKey), lpClass ? &keyClass : nullptr, dwOptions, samDesired, phkResult,
        lpdwDisposition);
}

LONG RegCreateKeyExA(HKEY hKey, const char* lpSubKey, DWORD, const char* lpClass, DWORD dwOptions,
    REGSAM samDesired, const void*, HKEY* phkResult, DWORD* lpdwDisposition)
{
    const QString keyClass = Text(lpClass);
    return CreateKey(hKey, Text(lpSubKey), lpClass ? &keyClass : nullptr, dwOptions, samDesired, phkResult,
        lpdwDisposition);
}

LONG RegCloseKey(HKEY hKey)
{
    return Local().CloseKey(hKey);
}

LONG RegQueryInfoKeyW(HKEY hKey, char16_t* lpClass, DWORD* lpcchClass, DWORD*, DWORD* lpcSubKeys,
    DWORD* lpcbMaxSubKeyLen, DWORD* lpcbMaxClassLen, DWORD* lpcValues, DWORD* lpcbMaxValueNameLen,
    DWORD* lpcbMaxValueLen, DWORD* lpcbSecurityDescriptor, FILETIME* lpftLastWriteTime)
{
    return QueryInfo(hKey, lpClass, lpcchClass, lpcSubKeys, lpcbMaxSubKeyLen, lpcbMaxClassLen, lpcValues,
        lpcbMaxValueNameLen, lpcbMaxValueLen, lpcbSecurityDescriptor, lpftLastWriteTime);
}

LONG RegQueryInfoKeyA(HKEY hKey, char* lpClass, DWORD* lpcchClass, DWORD*, DWORD* lpcSubKeys,
    DWORD* lpcbMaxSubKeyLen, DWORD* lpcbMaxClassLen, DWORD* lpcValues, DWORD* lpcbMaxValueNameLen,
    DWORD* lpcbMaxValueLen, DWORD* lpcbSecurityDescriptor, FILETIME* lpftLastWriteTime)
{
    return QueryInfo(hKey, lpClass, lpcchClass, lpcSubKeys, lpcbMaxSubKeyLen, lpcbMaxClassLen, lpcValues,
        lpcbMaxValueNameLen, lpcbMaxValueLen, lpcbSecurityDescriptor, lpftLastWriteTime);
}

LONG RegEnumKeyExW(HKEY hKey, DWORD dwIndex, char16_t* lpName, DWORD* lpcchName, DWORD*, char16_t* lpClass,
    DWORD* lpcchClass, FILETIME* lpftLastWriteTime)
{
    return EnumKey(hKey, dwIndex, lpName, lpcchName, lpClass, lpcchClass, lpftLastWriteTime);
}

LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, char* lpName, DWORD* lpcchName, DWORD*, char* lpClass,
    DWORD* lpcchClass, FILETIME* lpftLastWriteTime)
{
    return EnumKey(hKey, dwIndex, lpName, lpcchName, lpClass, lpcchClass, lpftLastWriteTime);
}

LONG RegEnumValueW(HKEY hKey, DWORD dwIndex, char16_t* lpValueName, DWORD* lpcchValueName, DWORD*,
    DWORD* lpType, BYTE* lpData, DWORD* lpcbData)
{
    return EnumValue(hKey, dwIndex, lpValueName, lpcchValueName, lpType, lpData, lpcbData);
}

LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, char* lpValueName, DWORD* lpcchValueName, DWORD*, DWORD* lpType,
    BYTE* lpData, DWORD* lpcbData)
{
    return EnumValue(hKey, dwIndex, lpValueName, lpcchValueName, lpType, lpData, lpcbData);
}

LONG RegQueryValueExW(
    HKEY hKey, const char16_t* lpValueName, DWORD*, DWORD* lpType, BYTE* lpData, DWORD* lpcbData)
{
    return QueryValue(hKey, Text(lpValueName), false, lpType, lpData, lpcbData);
}

LONG RegQueryValueExA(
    HKEY hKey, const char* lpValueName, DWORD*, DWORD* lpType, BYTE* lpData, DWORD* lpcbData)
{
    return QueryValue(hKey, Text(lpValueName), true, lpType, lpData, lpcbData);
}

LONG RegSetValueExW(
    HKEY hKey, const char16_t* lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData)
{
    return SetValue(hKey, Text(lpValueName), false, dwType, lpData, cbData);
}

LONG RegSetValueExA(HKEY hKey, const char* lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData)
{
    return SetValue(hKey, Text(lpValueName), true, dwType, lpData, cbData);
}

LONG RegDeleteKeyW(HKEY hKey, const char16_t* lpSubKey)
{
    return lpSubKey ? Local().DeleteKey(hKey, Text(lpSubKey)) : ERROR_INVALID_PARAMETER;
}

LONG RegDeleteKeyA(HKEY hKey, const char* lpSubKey)
{
    return lpSubKey ? Local().DeleteKey(hKey, Text(lpSubKey)) : ERROR_INVALID_PARAMETER;
}

LONG RegDeleteValueW(HKEY hKey, const char16_t* lpValueName)
{
    return Local().DeleteValue(hKey, Text(lpValueName));
}

LONG RegDeleteValueA(HKEY hKey, const char* lpValueName)
{
    return Local().DeleteValue(hKey, Text(lpValueName));
}

LONG RegConnectRegistryW(const char16_t* lpMachineName, HKEY hKey, HKEY* phkResult)
{
    return ConnectRegistry(Text(lpMachineName), hKey, phkResult);
}

LONG RegConnectRegistryA(const char* lpMachineName, HKEY hKey, HKEY* phkResult)
{
    return ConnectRegistry(Text(lpMachineName), hKey, phkResult);
}
