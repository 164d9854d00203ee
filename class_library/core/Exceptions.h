#pragma once
// The exception classes of the class library. Every failure the system reports
// is an Exception (or a descendant) carrying a human-readable Message.
#include <exception>
#include <functional>
#include <utility>

#include "class_library/core/Types.h"

class Exception : public std::exception {
public:
  explicit Exception(String message) : message_(std::move(message)) {}
  ~Exception() override = default;

  const String& Message() const noexcept { return message_; }
  void SetMessage(String message) { message_ = std::move(message); }
  const char* what() const noexcept override { return message_.c_str(); }

private:
  String message_;
};

#define TW_DECLARE_EXCEPTION(Name, Base) \
  class Name : public Base {             \
  public:                                \
    using Base::Base;                    \
  };

TW_DECLARE_EXCEPTION(EConvertError, Exception)
TW_DECLARE_EXCEPTION(EListError, Exception)
TW_DECLARE_EXCEPTION(EStringListError, Exception)
TW_DECLARE_EXCEPTION(EStreamError, Exception)
TW_DECLARE_EXCEPTION(EFOpenError, EStreamError)
TW_DECLARE_EXCEPTION(EFCreateError, EStreamError)
TW_DECLARE_EXCEPTION(EReadError, EStreamError)
TW_DECLARE_EXCEPTION(EWriteError, EStreamError)
TW_DECLARE_EXCEPTION(EInOutError, Exception)
TW_DECLARE_EXCEPTION(EInvalidOperation, Exception)
TW_DECLARE_EXCEPTION(EInvalidArgument, Exception)
TW_DECLARE_EXCEPTION(EComponentError, Exception)
TW_DECLARE_EXCEPTION(EClassNotFound, EReadError)
TW_DECLARE_EXCEPTION(EPropertyError, Exception)
TW_DECLARE_EXCEPTION(EVariantError, Exception)
TW_DECLARE_EXCEPTION(EOSError, Exception)

// Raised by Assert(); its message is "Assertion failure (<unit>, line <n>)"
// when no message was given.
class EAssertionFailed : public Exception {
public:
  EAssertionFailed(const String& message, const String& unit, int line);
  const String& Unit() const noexcept { return unit_; }
  int Line() const noexcept { return line_; }

private:
  String unit_;
  int line_;
};

// The silent exception: it unwinds an operation without a report.
class EAbort : public Exception {
public:
  EAbort() : Exception("Operation aborted") {}
  using Exception::Exception;
};

[[noreturn]] void Abort();

// For a catch block: calls Report with the exception being handled. One that
// is not an Exception is passed as an Exception carrying its what() text
// ("Unknown exception" for anything else). EAbort, which only unwinds, and no
// exception at all call nothing.
void ReportCurrentException(const std::function<void(const Exception& E)>& Report);

// Raises EAssertionFailed naming the unit and line when cond is false.
void Assert(bool cond, const String& unit, int line, const String& message = "Assertion failure");

