// The exception family every module reports errors with.
//
// plat::Exception has no standard-library base and carries its texts inline:
// a 256-byte message and a 64-byte type name, both always NUL-terminated and
// written only through the bounded helpers of BoundedText.h. Building an
// exception never allocates, so it is safe on any error path. Exceptions are
// thrown by value and caught by reference; they are plain data and may be
// copied freely.
//
// The type name is a short machine-readable kind ("System-2", "EndOfStream",
// "AssertionFail"); most classes leave it empty.
#pragma once

#include <cstdarg>

namespace plat {

class Exception {
public:
  enum { MessageSize = 256, TypeNameSize = 64 };
  // Selects the printf-style constructor: Exception(Exception::fmt, "%d", 3).
  struct FormatTag {};
  static constexpr FormatTag fmt{};

  explicit Exception(const char* text);
  Exception(FormatTag, const char* format, ...)
      __attribute__((format(printf, 3, 4)));
  virtual ~Exception();

  const char* message() const { return msg_; }
  const char* typeName() const { return type_; }

protected:
  Exception(); // both texts empty; subclasses fill them
  void append(const char* text, long len = -1);
  void appendFormat(const char* format, ...)
      __attribute__((format(printf, 2, 3)));
  void appendFormatV(const char* format, va_list ap)
      __attribute__((format(printf, 2, 0)));
  void setTypeName(const char* name);

private:
  char msg_[MessageSize];
  char type_[TypeNameSize];
};

class ExceptionFmt : public Exception {
public:
  explicit ExceptionFmt(const char* format, ...)
      __attribute__((format(printf, 2, 3)));
};

// A failed system call: the message is the operation text, ": ", the C
// library's text for the error and " (<errno>)"; the type name is
// "System-<errno>".
class SystemException : public Exception {
public:
  SystemException(const char* text, int err);
  int err() const { return err_; }

protected:
  explicit SystemException(int err) : err_(err) {}
  // Appends the error suffix described above; subclasses call it once their
  // message text is in place.
  void addErrorSuffix();

private:
  int err_;
};

class SystemExceptionFmt : public SystemException {
public:
  SystemExceptionFmt(const char* format, int err, ...)
      __attribute__((format(printf, 2, 4)));
};

// As SystemException, with the error number taken from errno at
// construction.
class StdlibException : public SystemException {
public:
  explicit StdlibException(const char* format, ...)
      __attribute__((format(printf, 2, 3)));
};

// A failed consistency check: "Assertion '<expr>' failed at <file>:<line>".
// expr and file must be static strings; only the pointers are kept.
class AssertionFail : public Exception {
public:
  AssertionFail(const char* expr, const char* file, int line);
  const char* expression() const { return expr_; }
  const char* file() const { return file_; }
  int line() const { return line_; }
  // Appends ": " and a formatted detail to the message (fatal assertions
  // with detail).
  void addDetail(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void addDetailV(const char* format, va_list ap)
      __attribute__((format(printf, 2, 0)));

private:
  const char* expr_;
  const char* file_;
  int line_;
};

class DynamicFnLoadFailed : public Exception {
public:
  DynamicFnLoadFailed(const char* library, const char* function);
};

class BadNum : public Exception {
public:
  explicit BadNum(const char* text) : Exception(text) {}
};

// Invalid UTF-8 in a text that must be UTF-8. With the debugging parameter
// _BadUtf8Assert set, constructing one is a fatal assertion instead.
class BadUtf8 : public Exception {
public:
  explicit BadUtf8(const char* format, ...)
      __attribute__((format(printf, 2, 3)));
};

class TimedOut : public Exception {
public:
  TimedOut();
};

} // namespace plat
