#include <io/LogDestIpc.h>

#include <io/FdManager.h>
#include <plat/Assert.h>
#include <plat/LogSrc.h>
#include <rdr/InStream.h>

#include <new>

namespace io {

namespace {

const char selfName[] = "LogDestIpc";

// Set while this thread sends the queue: what sending logs (and what the
// channel logs about it) must not come back into the queue.
thread_local bool sending = false;

void flushForAssertion()
{
  LogDestIpc::instance().flush();
}

// Any program that links this destination can route to "ipc" from start-up.
[[maybe_unused]] LogDestIpc& registered = LogDestIpc::instance();

} // namespace

LogDestIpc& LogDestIpc::instance()
{
  // Never destroyed: messages may arrive from static destructors.
  static LogDestIpc* dest = [] {
    LogDestIpc* d = new LogDestIpc;
    plat::setAssertionFlushHook(flushForAssertion);
    return d;
  }();
  return *dest;
}

LogDestIpc::LogDestIpc() : LogDest("ipc"), ready_(false), channel_(nullptr) {}

LogDestIpc::~LogDestIpc()
{
  if (channel_)
    channel_->removeReader(this);
}

void LogDestIpc::write(int level, const char* srcName, const char* text)
{
  if (sending)
    return;
  try {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (level > LogDest::level())
      return;
    if (queue_.size() < size_t(MaxMessages))
      queue_.push_back({level, srcName ? srcName : "", text ? text : ""});
    else if (queue_.size() == size_t(MaxMessages))
      queue_.push_back(
          {0, selfName, "Too many messages, discarding further ones"});
    else
      return;
    if (channel_ && ready_ && kicker_)
      kicker_->kick();
  } catch (const std::bad_alloc&) {
    // A message lost; logging must not fail its caller.
  }
}

void LogDestIpc::flush()
{
  if (sending)
    return;
  std::vector<Message> msgs;
  MsgIpc* channel;
  std::string prefix;
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (!ready_ || !channel_)
      return;
    msgs.swap(queue_);
    channel = channel_;
    prefix = prefix_;
  }
  sending = true;
  send(*channel, msgs, prefix);
  sending = false;
}

void LogDestIpc::send(MsgIpc& channel, const std::vector<Message>& msgs,
                      const std::string& prefix)
{
  try {
    for (const Message& m : msgs) {
      rdr::OutStream& out = channel.writeMsg("logMsg");
      out.writeS32(m.level);
      out.writeString8(prefix.empty() ? m.src.c_str()
                                      : (prefix + ": " + m.src).c_str());
      out.writeString(m.text.c_str(), MaxTextLength);
      channel.endMsg(false);
    }
    channel.flush();
  } catch (const plat::Exception& e) {
    // A message may be left half written: the channel is unusable.
    MsgIpc::logSrc().error("%s: Sending log messages failed: %s",
                           channel.getName(), e.message());
    channel.drop();
  }
}

void LogDestIpc::setChannel(MsgIpc* channel)
{
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (channel_)
    channel_->removeReader(this);
  channel_ = channel;
  ready_ = false;
  kicker_.reset();
  if (channel) {
    channel->setReader("setLogLevel", this);
    if (FdManager::current())
      kicker_.reset(new Kicker(this));
  }
}

void LogDestIpc::setPrefix(const char* prefix)
{
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  prefix_ = prefix ? prefix : "";
}

bool LogDestIpc::isReady() const
{
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return ready_;
}

size_t LogDestIpc::queued() const
{
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return queue_.size();
}

bool LogDestIpc::readMsg(const char*, rdr::InStream& in, MsgIpc&)
{
  int level = in.readS32();
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    setLevel(level);
    ready_ = true;
  }
  plat::LogSrc::recomputeAllLevels();
  flush();
  return true;
}

void LogDestIpc::ipcDropped(MsgIpc&)
{
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  ready_ = false;
  queue_.clear();
}

} // namespace io
