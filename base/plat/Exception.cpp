#include <plat/Exception.h>

#include <plat/Assert.h>
#include <plat/BoundedText.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

// The XSI strerror_r (returning int) is what the error suffix needs: it
// writes straight into the remaining message space. glibc exposes the GNU
// form under _GNU_SOURCE, which g++ always defines, so bind the XSI one by
// its real symbol name.
extern "C" int __xpg_strerror_r(int errnum, char* buf, size_t buflen);

namespace plat {

Exception::Exception()
{
  msg_[0] = '\0';
  type_[0] = '\0';
}

Exception::Exception(const char* text) : Exception()
{
  append(text);
}

Exception::Exception(FormatTag, const char* format, ...) : Exception()
{
  va_list ap;
  va_start(ap, format);
  appendFormatV(format, ap);
  va_end(ap);
}

Exception::~Exception() {}

void Exception::append(const char* text, long len)
{
  boundedAppend(msg_, sizeof(msg_), text, len);
}

void Exception::appendFormat(const char* format, ...)
{
  va_list ap;
  va_start(ap, format);
  appendFormatV(format, ap);
  va_end(ap);
}

void Exception::appendFormatV(const char* format, va_list ap)
{
  boundedAppendFormatV(msg_, sizeof(msg_), format, ap);
}

void Exception::setTypeName(const char* name)
{
  type_[0] = '\0';
  boundedAppend(type_, sizeof(type_), name);
}

ExceptionFmt::ExceptionFmt(const char* format, ...)
{
  va_list ap;
  va_start(ap, format);
  appendFormatV(format, ap);
  va_end(ap);
}

SystemException::SystemException(const char* text, int err) : err_(err)
{
  append(text);
  addErrorSuffix();
}

void SystemException::addErrorSuffix()
{
  char type[TypeNameSize];
  snprintf(type, sizeof(type), "System-%d", err_);
  setTypeName(type);

  if (message()[0] != '\0')
    append(": ");
  if (err_ == 0) {
    append("Success");
  } else {
    // Let the C library write into the space left in the message; on
    // failure its partial text is dropped.
    char* msg = const_cast<char*>(message());
    size_t len = strlen(msg);
    size_t room = MessageSize - len;
    if (room > 1 && __xpg_strerror_r(err_, msg + len, room) == 0) {
      msg[MessageSize - 1] = '\0';
      utf8TailTrim(msg, strlen(msg));
    } else {
      msg[len] = '\0';
      append("Unknown error");
    }
  }
  appendFormat(" (%d)", err_);
}

SystemExceptionFmt::SystemExceptionFmt(const char* format, int err, ...)
    : SystemException(err)
{
  va_list ap;
  va_start(ap, err);
  appendFormatV(format, ap);
  va_end(ap);
  addErrorSuffix();
}

StdlibException::StdlibException(const char* format, ...)
    : SystemException(errno)
{
  va_list ap;
  va_start(ap, format);
  appendFormatV(format, ap);
  va_end(ap);
  addErrorSuffix();
}

AssertionFail::AssertionFail(const char* expr, const char* file, int line)
    : expr_(expr), file_(file), line_(line)
{
  appendFormat("Assertion '%s' failed at %s:%d", expr, file, line);
  setTypeName("AssertionFail");
}

void AssertionFail::addDetail(const char* format, ...)
{
  va_list ap;
  va_start(ap, format);
  addDetailV(format, ap);
  va_end(ap);
}

void AssertionFail::addDetailV(const char* format, va_list ap)
{
  append(": ");
  appendFormatV(format, ap);
}

DynamicFnLoadFailed::DynamicFnLoadFailed(const char* library,
                                         const char* function)
{
  appendFormat("Function %s not found in %s library", function, library);
  setTypeName("DynamicFnLoadFailed");
}

namespace {

// The assertion a bad UTF-8 text raises names the UTF-8 module, where such
// texts are detected, rather than this file. The build gives paths relative
// to nothing in particular, so derive it from this file's own path.
const char* utf8SourcePath()
{
  static char path[512];
  static bool done = [] {
    const char* self = __FILE__;
    const char* slash = strrchr(self, '/');
    size_t dirLen = slash ? (size_t)(slash - self + 1) : 0;
    path[0] = '\0';
    boundedAppend(path, sizeof(path), self, (long)dirLen);
    boundedAppend(path, sizeof(path), "utf8.cpp");
    return true;
  }();
  (void)done;
  return path;
}

} // namespace

BadUtf8::BadUtf8(const char* format, ...)
{
  va_list ap;
  va_start(ap, format);
  appendFormatV(format, ap);
  va_end(ap);
  if (badUtf8Asserts())
    fatalAssertionDetail("0", utf8SourcePath(), __LINE__, "%s", message());
}

TimedOut::TimedOut() : Exception("Timed out")
{
  setTypeName("TimedOut");
}

} // namespace plat
