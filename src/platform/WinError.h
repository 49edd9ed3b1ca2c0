// The Windows error codes the registry layer returns, and the system's message
// text for each of them. Codes are plain numbers so that callers written
// against the Windows registry interface compare and print them as they would
// there. Thread-safe.
#pragma once

#include <QString>
#include <cstdint>

using DWORD = std::uint32_t;
using LONG = std::int32_t;

inline constexpr LONG ERROR_SUCCESS = 0;
inline constexpr LONG ERROR_FILE_NOT_FOUND = 2;
inline constexpr LONG ERROR_ACCESS_DENIED = 5;
inline constexpr LONG ERROR_INVALID_HANDLE = 6;
inline constexpr LONG ERROR_SHARING_VIOLATION = 32;
inline constexpr LONG ERROR_BAD_NETPATH = 53;
inline constexpr LONG ERROR_INVALID_PARAMETER = 87;
inline constexpr LONG ERROR_BAD_PATHNAME = 161;
inline constexpr LONG ERROR_MORE_DATA = 234;
inline constexpr LONG ERROR_NO_MORE_ITEMS = 259;
inline constexpr LONG ERROR_BADDB = 1009;
inline constexpr LONG ERROR_CANTWRITE = 1013;
inline constexpr LONG ERROR_KEY_DELETED = 1018;
inline constexpr LONG ERROR_CHILD_MUST_BE_VOLATILE = 1021;

// The system's message for CODE, such as "Access is denied." for 5;
// "Unknown error." for a code this layer never returns.
QString SysErrorMessage(DWORD code);
