// The exception classes of the class library. Every failure the system reports is one of these (or
// derives from one), carrying an English message.
#pragma once

#include <exception>
#include <string>

namespace vcl {

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : FMessage(std::move(message)) {}
    const std::string& Message() const noexcept { return FMessage; }
    void SetMessage(std::string message) { FMessage = std::move(message); }
    const char* what() const noexcept override { return FMessage.c_str(); }

private:
    std::string FMessage;
};

#define LOOMWICK_EXCEPTION(Name, Base)                                                                       \
    class Name : public Base {                                                                               \
    public:                                                                                                  \
        using Base::Base;                                                                                    \
    }

// Silent: the message loop swallows it without showing anything.
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
    using Exception::Exception;
};

LOOMWICK_EXCEPTION(EConvertError, Exception);
LOOMWICK_EXCEPTION(EListError, Exception);
LOOMWICK_EXCEPTION(EStringListError, Exception);
LOOMWICK_EXCEPTION(EComponentError, Exception);
LOOMWICK_EXCEPTION(EInvalidOperation, Exception);
LOOMWICK_EXCEPTION(EInvalidCast, Exception);
LOOMWICK_EXCEPTION(ERangeError, Exception);
LOOMWICK_EXCEPTION(EIntOverflow, Exception);
LOOMWICK_EXCEPTION(EDivByZero, Exception);
LOOMWICK_EXCEPTION(EZeroDivide, Exception);
LOOMWICK_EXCEPTION(EInvalidOp, Exception);
LOOMWICK_EXCEPTION(EOverflow, Exception);
LOOMWICK_EXCEPTION(EOutOfMemory, Exception);
LOOMWICK_EXCEPTION(EOutOfResources, Exception);
LOOMWICK_EXCEPTION(EThread, Exception);
LOOMWICK_EXCEPTION(ERegistryException, Exception);
LOOMWICK_EXCEPTION(EIniFileException, Exception);
LOOMWICK_EXCEPTION(EInOutError, Exception);
LOOMWICK_EXCEPTION(EOSError, Exception);
// A named resource (a form's layout, an embedded bitmap or cursor) that nobody registered:
// "Resource NAME not found".
LOOMWICK_EXCEPTION(EResNotFound, Exception);

// Streams.
LOOMWICK_EXCEPTION(EStreamError, Exception);
LOOMWICK_EXCEPTION(EReadError, EStreamError);
LOOMWICK_EXCEPTION(EWriteError, EStreamError);
LOOMWICK_EXCEPTION(EFCreateError, EStreamError);
LOOMWICK_EXCEPTION(EFOpenError, EStreamError);
LOOMWICK_EXCEPTION(EFilerError, EStreamError);
LOOMWICK_EXCEPTION(EClassNotFound, EFilerError);

// Graphics.
LOOMWICK_EXCEPTION(EInvalidGraphic, Exception);
LOOMWICK_EXCEPTION(EInvalidGraphicOperation, Exception);

// Edits: text that an edit's rules refuse.
LOOMWICK_EXCEPTION(EDBEditError, Exception);

} // namespace vcl
