#include <io/FdIo.h>

#include <io/FdManager.h>
#include <io/IoHandler.h>
#include <os/SocketUtil.h>
#include <plat/Assert.h>
#include <plat/ConfigParameter.h>
#include <plat/LogSrc.h>
#include <rdr/Exception.h>

#include <unistd.h>

namespace io {

namespace {

plat::StaticLogSrc vlog("FdIo");

const char* boolText(bool b)
{
  return b ? "true" : "false";
}

} // namespace

plat::IntParameter FdIo::lazyFlushTimeout(
    "LazyFlushTimeout",
    "Maximum number of seconds for which attempts should be made to flush "
    "data to an unresponsive client (maximum 49 days)",
    60, true, nullptr, 0, 2147483647);

FdIo::FdIo(int fd, bool own, FdManager* mgr, int inBufSize, int outMaxSize,
           bool nonBlocking)
    : in_(nullptr), out_(nullptr), fd_(-1), ownFd_(true), mgr_(mgr),
      handler_(nullptr), flushTimer_(this), shutdownTimer_(this),
      readInterest_(false), writeInterest_(false), tellHandler_(false),
      state_(Open)
{
  if (fd < 0)
    return;
  try {
    setFd(fd, own, inBufSize, outMaxSize, nonBlocking);
  } catch (...) {
    releaseFd();
    throw;
  }
}

FdIo::~FdIo()
{
  // Detached directly rather than through setHandler(nullptr), which would
  // switch the output stream back to waiting flushes.
  if (mgr_)
    mgr_->unregisterHandler(this);
  handler_ = nullptr;
  releaseFd();
  flushTimer_.stop();
  shutdownTimer_.stop();
}

void FdIo::releaseFd()
{
  delete in_;
  in_ = nullptr;
  // Makes one last non-waiting flush attempt; the callback is cleared first.
  delete out_;
  out_ = nullptr;
  if (ownFd_ && fd_ >= 0)
    close(fd_);
  fd_ = -1;
}

void FdIo::setFd(int newFd, bool own, int inBufSize, int outMaxSize,
                 bool nonBlocking)
{
  {
    int fd = fd_;
    PLAT_ASSERT(fd < 0);
  }
  fd_ = newFd;
  ownFd_ = own;
  if (name_.isNull())
    name_ = plat::String::format("<fd%d>", newFd);
  in_ = new rdr::FdInStream(newFd, inBufSize);
  out_ = new rdr::FdOutStream(newFd, outMaxSize);
  out_->setCallback(this);
  if (nonBlocking)
    os::setBlocking(newFd, false);
  if (handler_) {
    in_->setNonBlocking(true);
    out_->lazyFlush(true);
  }
}

rdr::InStream& FdIo::getInStream()
{
  return getFdInStream();
}

rdr::OutStream& FdIo::getOutStream()
{
  return getFdOutStream();
}

rdr::FdInStream& FdIo::getFdInStream()
{
  PLAT_ASSERT(in_);
  return *in_;
}

rdr::FdOutStream& FdIo::getFdOutStream()
{
  PLAT_ASSERT(out_);
  return *out_;
}

bool FdIo::hasProperty(const char* property) const
{
  return properties_.count(plat::String(property)) != 0;
}

void FdIo::addProperty(const char* property)
{
  const std::set<plat::String>& flags = properties_;
  PLAT_ASSERT(flags.size() < 256);
  properties_.insert(plat::String(property));
}

void FdIo::setHandler(IoHandler* handler, bool readInterest)
{
  if (!handler && state_ == ShuttingDown) {
    // The drain and the shutdown timer must go on; only the handler is
    // released, so it may be destroyed before this object is.
    handler_ = nullptr;
    tellHandler_ = false;
    return;
  }
  if (handler) {
    if (!mgr_) {
      FdManager* fdMgr = FdManager::current();
      PLAT_ASSERT(fdMgr);
      mgr_ = fdMgr;
    }
    handler_ = handler;
    readInterest_ = readInterest;
    mgr_->registerHandler(this);
    updateInterests();
  } else {
    handler_ = nullptr;
    readInterest_ = false;
    writeInterest_ = false;
    flushTimer_.stop();
    if (mgr_)
      mgr_->unregisterHandler(this);
  }
  if (in_)
    in_->setNonBlocking(handler != nullptr);
  if (out_) {
    try {
      out_->lazyFlush(handler != nullptr);
    } catch (const plat::Exception& e) {
      if (e.typeName()[0])
        vlog->error("setHandler: [%s] %s", e.typeName(), e.message());
      else
        vlog->error("setHandler: %s", e.message());
    }
  }
}

void FdIo::shutdown(bool flush, bool tellHandler)
{
  vlog->info("shutdown %p (fd=%d), flush %s (tellHandler %s)",
             static_cast<void*>(this), fd_, boolText(flush),
             boolText(tellHandler));
  if (!mgr_) {
    PLAT_ASSERT(!tellHandler);
    vlog->info("immediate shutdown %p (fd=%d)", static_cast<void*>(this), fd_);
    delete this;
    return;
  }
  state_ = ShuttingDown;
  tellHandler_ = tellHandler_ || tellHandler;
  // A connection whose handler was detached still needs the loop to drain
  // its output and to run its shutdown timer.
  mgr_->registerHandler(this);
  if (flush && out_ && out_->pendingBytes() > 0) {
    writeInterest_ = true;
    updateInterests();
    // Bounds the drain also when no write has blocked yet.
    if (!flushTimer_.isStarted())
      startFlushTimer();
  } else {
    writeInterest_ = false;
    updateInterests();
    shutdownTimer_.start(0);
  }
}

void FdIo::updateInterests()
{
  if (!mgr_ || !mgr_->isRegistered(this))
    return;
  bool read = readInterest_ && handler_ && state_ == Open;
  mgr_->setInterests(this, read, writeInterest_);
}

void FdIo::startFlushTimer()
{
  int secs = lazyFlushTimeout;
  flushTimer_.start(secs <= 2147483 ? secs * 1000 : 2147483647);
}

bool FdIo::timerCallback(plat::Timer* timer)
{
  if (timer == &flushTimer_) {
    vlog->info("flush timer");
    if (state_ == Open) {
      IoHandler* handler = handler_;
      PLAT_ASSERT(handler);
      // Every further refill now fails, so the handler's next read learns
      // that the peer stopped taking data.
      in_->setTimedOut();
      if (readInterest_)
        mgr_->addReady(this, FdManager::Read);
    } else {
      shutdownTimer_.start(0);
    }
    return false;
  }

  vlog->info("shutdown complete %p (fd=%d)", static_cast<void*>(this), fd_);
  if (handler_ && tellHandler_) {
    try {
      handler_->shutdownComplete(*this);
    } catch (const plat::Exception& e) {
      vlog->status("Shutdown error: %s", e.message());
    }
  }
  mgr_->unregisterHandler(this);
  handler_ = nullptr;
  delete this;
  return false;
}

void FdIo::writeAttempted(rdr::FdOutStream*, bool blocked)
{
  // Used without an event loop (as by a plain client) nothing is tracked:
  // flush() itself waits.
  if (!mgr_ || !mgr_->isRegistered(this))
    return;
  if (blocked) {
    if (!writeInterest_) {
      writeInterest_ = true;
      updateInterests();
    }
    startFlushTimer();
  } else {
    // Progress: the peer is alive. writable() decides on the next dispatch
    // whether more is pending.
    flushTimer_.stop();
    mgr_->addReady(this, FdManager::Write);
    mgr_->scheduleDispatch();
  }
}

void FdIo::shutdownRequested(rdr::FdOutStream*) {}

void FdIo::readable()
{
  if (!handler_ || state_ != Open)
    return;
  try {
    handler_->readable(*this);
  } catch (const rdr::BlockException&) {
    // The input stream went back to the handler's checkpoint; the rest
    // arrives with a later readable notification.
  } catch (const plat::Exception& e) {
    vlog->status("Read error: %s", e.message());
    shutdown(false, true);
  }
}

void FdIo::writable()
{
  if (!out_)
    return;
  try {
    out_->flushBuffer(false);
    bool pending = out_->pendingBytes() > 0;
    if (state_ == ShuttingDown) {
      if (!pending) {
        writeInterest_ = false;
        updateInterests();
        if (!shutdownTimer_.isStarted())
          shutdownTimer_.start(0);
      }
    } else if (pending != writeInterest_) {
      writeInterest_ = pending;
      updateInterests();
    }
  } catch (const plat::Exception& e) {
    vlog->status("Write error: %s", e.message());
    shutdown(false, true);
  }
}

void FdIo::managerDestroyed()
{
  // The manager's timers go with it.
  flushTimer_.stop();
  shutdownTimer_.stop();
  mgr_ = nullptr;
  if (state_ == ShuttingDown) {
    if (handler_ && tellHandler_) {
      try {
        handler_->shutdownComplete(*this);
      } catch (const plat::Exception& e) {
        vlog->status("Shutdown error: %s", e.message());
      }
    }
    vlog->info("shutdown completed by FdManager dtor %p (fd=%d)",
               static_cast<void*>(this), fd_);
    handler_ = nullptr;
    delete this;
    return;
  }
  handler_ = nullptr;
}

} // namespace io
