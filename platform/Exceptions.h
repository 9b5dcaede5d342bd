#pragma once
// Exception types of the system. Messages are cp1251 text, as everything else in the system.
#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const std::string& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

#define VA_DECLARE_EXCEPTION(Name, Base) \
    class Name : public Base {           \
    public:                              \
        using Base::Base;                \
    };

VA_DECLARE_EXCEPTION(EConvertError, Exception)
VA_DECLARE_EXCEPTION(EListError, Exception)
VA_DECLARE_EXCEPTION(EOutOfMemory, Exception)
VA_DECLARE_EXCEPTION(EOSError, Exception)
VA_DECLARE_EXCEPTION(EStreamError, Exception)
VA_DECLARE_EXCEPTION(EReadError, EStreamError)
VA_DECLARE_EXCEPTION(EWriteError, EStreamError)
VA_DECLARE_EXCEPTION(EFOpenError, EStreamError)
VA_DECLARE_EXCEPTION(EFCreateError, EStreamError)
// A silent cancel: handlers raise it to stop an operation, which swallows it.
VA_DECLARE_EXCEPTION(EAbort, Exception)
