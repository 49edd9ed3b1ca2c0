// The base of every error the system raises: an exception that carries a
// message text only. Errors travel up to the GUI event or command that
// started the work, which shows the message and goes on.
#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

class Exception : public std::exception {
public:
    explicit Exception(QString message);

    const QString& Message() const { return FMessage; }
    const char* what() const noexcept override { return FUtf8.constData(); }

private:
    QString FMessage;
    QByteArray FUtf8;
};

// A text that does not convert to the requested type.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// A file that cannot be opened for reading.
class EFOpenError : public Exception {
public:
    using Exception::Exception;
};

// A file that cannot be created or written.
class EFCreateError : public Exception {
public:
    using Exception::Exception;
};

// "'TEXT' is not a valid integer value"
[[noreturn]] void RaiseInvalidInteger(const QString& text);

// "Cannot open file "NAME". SYSTEM-TEXT", with the full file name.
[[noreturn]] void RaiseFileOpenError(const QString& fileName, const QString& systemText);

// "Cannot create file "NAME". SYSTEM-TEXT", with the full file name.
QString FileCreateErrorText(const QString& fileName, const QString& systemText);
[[noreturn]] void RaiseFileCreateError(const QString& fileName, const QString& systemText);
