#include "platform/WinError.h"

QString SysErrorMessage(DWORD code)
{
    switch (code) {
    case ERROR_SUCCESS:
        return QStringLiteral("The operation completed successfully.");
    case ERROR_FILE_NOT_FOUND:
        return QStringLiteral("The system cannot find the file specified.");
    case ERROR_ACCESS_DENIED:
        return QStringLiteral("Access is denied.");
    case ERROR_INVALID_HANDLE:
        return QStringLiteral("The handle is invalid.");
    case ERROR_SHARING_VIOLATION:
        return QStringLiteral(
            "The process cannot access the file because it is being used by another process.");
    case ERROR_BAD_NETPATH:
        return QStringLiteral("The network path was not found.");
    case ERROR_INVALID_PARAMETER:
        return QStringLiteral("The parameter is incorrect.");
    case ERROR_BAD_PATHNAME:
        return QStringLiteral("The specified path is invalid.");
    case ERROR_MORE_DATA:
        return QStringLiteral("More data is available.");
    case ERROR_NO_MORE_ITEMS:
        return QStringLiteral("No more data is available.");
    case ERROR_BADDB:
        return QStringLiteral("The configuration registry database is corrupt.");
    case ERROR_CANTWRITE:
        return QStringLiteral("The configuration registry key could not be written.");
    case ERROR_KEY_DELETED:
        return QStringLiteral(
            "Illegal operation attempted on a registry key that has been marked for deletion.");
    case ERROR_CHILD_MUST_BE_VOLATILE:
        return QStringLiteral("Cannot create a stable subkey under a volatile parent key.");
    default:
        // Left open: the layer never returns other codes; a neutral text keeps
        // messages built from it readable.
        return QStringLiteral("Unknown error.");
    }
}
