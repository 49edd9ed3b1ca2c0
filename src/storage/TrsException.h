// The storage library's exception and the one place that turns an error
// kind into its message prefix. A TrsException carries a message only; it
// is raised by value and owns its text. Free of shared state, thread-safe.
#pragma once

#include "framework/Exception.h"

#include <QString>

class TrsException : public Exception {
public:
    using Exception::Exception;
};

// Error kinds of RaiseStorageError; only the low 7 bits of a kind count,
// every value not listed here reports as ekGeneral.
enum TrsErrorKind : int {
    ekGetKeyValue = 0,
    ekXmlParser = 1,
    ekSetKeyValue = 2,
    ekSearchPrepare = 3,
    ekSearch = 4,
    ekRegData = 5,
    ekGeneral = 127
};

// The prefix of a kind, such as "TrsXMLData parser error:".
QString StorageErrorPrefix(int kind);

// Raises TrsException with the message: prefix of the kind, one space, text.
[[noreturn]] void RaiseStorageError(int kind, const QString& text);
