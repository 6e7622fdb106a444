// io::LogDestIpc: the "ipc" log destination, which sends log messages to a
// peer over a message channel (io::MsgIpc).
//
// Messages are queued until the peer has said, with "setLogLevel", up to
// which level it wants them; from then on every queued message is sent on
// the channel's event loop, which a kicker wakes from whatever thread
// logged. The queue holds at most 1000 messages: the 1001st becomes the
// notice "Too many messages, discarding further ones" (level 0, source
// "LogDestIpc") and later ones are lost until the queue is sent.
//
// Wire content, each in one message of the channel:
//   "logMsg"      to the peer:   level (S32); source name, or
//                                "<prefix>: <source>" when a prefix is set
//                                (U8 length, at most 255 bytes); text (U32
//                                length, at most 1024 bytes)
//   "setLogLevel" from the peer: level (S32)
//
// One process-wide instance, created on first use (usable during static
// initialisation) and never destroyed; creating it makes the assertion
// handler flush it before aborting. It lives in io rather than beside the
// other destinations in plat because it is a reader of io's channel.
//
// write() may be called from any thread and never throws; everything that
// touches the channel runs on the channel's thread, apart from the
// assertion handler's last flush.
#pragma once

#include <io/Kicker.h>
#include <io/MsgIpc.h>
#include <plat/LogDest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace io {

class LogDestIpc : public plat::LogDest,
                   private Kicker::Callback,
                   public MsgIpc::Reader {
public:
  enum { MaxMessages = 1000, MaxTextLength = 1024 };

  static LogDestIpc& instance();

  // Queues the message when its level is within the destination's level
  // and, when the peer is ready, wakes the channel's loop to send it.
  // Messages logged while this thread sends are dropped, so that what
  // sending logs cannot feed itself.
  void write(int level, const char* srcName, const char* text) override;

  // Sends the whole queue, then the channel's buffered output. Does
  // nothing until the peer has sent "setLogLevel". A failure to send drops
  // the connection and the messages; it is logged, never thrown.
  void flush();

  // Replaces the channel (not owned; null: none). The peer of the new one
  // must send "setLogLevel" again before anything is sent. When the calling
  // thread has an event loop, a new kicker on it sends what is logged from
  // other threads; without one, flush() must be called. Call on the
  // channel's thread, and set null before destroying the channel.
  void setChannel(MsgIpc* channel);

  // Text put before every source name ("<prefix>: <source>"); null or ""
  // for none.
  void setPrefix(const char* prefix);

  // Whether the peer has sent "setLogLevel" on the current connection.
  bool isReady() const;
  // The number of queued messages (tests, diagnostics).
  size_t queued() const;

  LogDestIpc();
  ~LogDestIpc() override;

private:
  struct Message {
    int level;
    std::string src;
    std::string text;
  };

  // Kicker::Callback
  void kicked() override { flush(); }
  // MsgIpc::Reader, for "setLogLevel"
  bool readMsg(const char* name, rdr::InStream& in, MsgIpc& ipc) override;
  // The connection is gone: nothing queued is wanted any more.
  void ipcDropped(MsgIpc& ipc) override;

  void send(MsgIpc& channel, const std::vector<Message>& msgs,
            const std::string& prefix);

  // Recursive: the assertion handler may flush from inside write().
  mutable std::recursive_mutex mutex_;
  std::vector<Message> queue_;
  bool ready_;
  MsgIpc* channel_;
  std::string prefix_;
  std::unique_ptr<Kicker> kicker_;
};

} // namespace io
