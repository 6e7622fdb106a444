// io::MsgIpc: named messages exchanged with a peer process over one
// connection.
//
// Each message is one framed message (rdr::OutStreamV4) whose payload is
// the name, as one length byte (at most 255) and its bytes, followed by a
// body that the code owning the message type writes and reads. Incoming
// messages go to the Reader registered for their name, or else to the
// catch-all reader; a MsgFilter may hold back messages that are not
// allowed in the conversation's current state.
//
// "badMsg" is reserved: it tells the sender that a name had no reader, its
// body being that name (one length byte and the bytes).
//
// Three behaviour flags, fixed at construction, decide how a peer's
// mistakes and writes without a connection are handled (see Flags). Any
// other protocol violation is an exception: event-driven, it escapes to the
// connection, which logs it and shuts down; from readMessage() it reaches
// the caller.
//
// Log lines go to the "Ipc" source and start with the connection's name.
// An MsgIpc belongs to the thread that runs its event loop; writers on
// other threads serialise through their own locks.
#pragma once

#include <io/IoAcceptor.h>
#include <io/Ipc.h>
#include <plat/String.h>
#include <rdr/FramedInStream.h>
#include <rdr/FramedOutStream.h>
#include <rdr/NullOutStream.h>
#include <rdr/StateMachine.h>

#include <map>

namespace plat {
class LogSrc;
}

namespace io {

class MsgIpc : public IoAcceptor, private Ipc::Callback {
public:
  class Reader {
  public:
    virtual ~Reader() {}
    // Reads the body of a message called name from in, positioned just
    // after the name. Returns true when done (what is left of the body is
    // skipped), false when the body has not fully arrived: in then goes
    // back to its checkpoint, the start of the body, and the call is
    // repeated when more data is there. Letting rdr::BlockException escape
    // means the same. Since the input keeps everything from the checkpoint
    // on, a body must fit the connection's input buffer unless the reader
    // moves the checkpoint (in.setCheckpoint()) as it goes, and then
    // resumes from there.
    virtual bool readMsg(const char* name, rdr::InStream& in, MsgIpc& ipc) = 0;
    // The connection of ipc was dropped.
    virtual void ipcDropped(MsgIpc& ipc) { (void)ipc; }
  };

  class MsgFilter {
  public:
    enum Event { Readable, Closed };
    virtual ~MsgFilter() {}
    // The connection was dropped (when the dropper asked for this).
    virtual void disconnected(MsgIpc& ipc) = 0;
    // Whether a message called name may be written (writing) or read now.
    virtual bool isAllowed(MsgIpc& ipc, const char* name, bool writing)
    {
      (void)ipc, (void)name, (void)writing;
      return true;
    }
    // The connection reported event, before the MsgIpc acts on it.
    virtual void connectionEvent(MsgIpc& ipc, Event event)
    {
      (void)ipc, (void)event;
    }
  };

  enum Flags {
    // Log "Discarding message" for each message written while no
    // connection is bound (such messages are always discarded).
    DiscardWhenUnconnected = 1,
    // Answer a name without a reader with "badMsg"; else it is logged and
    // skipped.
    ReplyBadName = 2,
    // Without ReplyBadName: drop the connection when a name without a
    // reader does not start with a letter (a byte below 65), a sign that
    // the peer speaks another protocol.
    CloseOnBadControlName = 4,
  };

  // flags: a combination of Flags. io, when given, is bound as by bind().
  explicit MsgIpc(int flags, Io* io = nullptr, bool eventDriven = true);
  // Closes a bound connection; tells nobody.
  ~MsgIpc() override;

  // Takes over io, event-driven (see bind()).
  void acceptIo(Io* io) override { bind(io, true); }
  // Binds io (see io::Ipc::bind), dropping the connection bound before,
  // abandoning any message half read or written, and starts reading at
  // the next message.
  void bind(Io* io, bool eventDriven);
  // Closes the connection (pending output still goes out as io::Ipc::close
  // says), forgets the streams and the receive state, tells every reader
  // and, with tellFilter, the filter. Nothing happens when none is bound.
  void drop(bool tellFilter = true);
  bool isConnected() const { return ipc_.isConnected(); }
  const char* getName() const { return ipc_.getName(); }
  Ipc& ipc() { return ipc_; }

  // Adds or replaces the reader of name (null: the catch-all reader).
  // reader is not owned; null removes the entry.
  void setReader(const char* name, Reader* reader);
  // Removes every entry of reader. A message about to be dispatched to it
  // is skipped instead.
  void removeReader(Reader* reader);
  // filter is not owned; null removes it.
  void setFilter(MsgFilter* filter) { filter_ = filter; }

  // Starts a message called name and returns the stream for its body; end
  // it with endMsg() on that stream (or endMsg() here). Throws
  // plat::Exception "MsgIpc::writeMsg: Message not currently allowed" when
  // the filter refuses, FrameException when a message is already open.
  // Without a connection the message is discarded.
  rdr::FramedOutStream& writeMsg(const char* name);
  void endMsg(bool flush = true) { out_.endMsg(flush); }
  // Sends what the connection has buffered (in the background when
  // event-driven).
  void flush();

  // Reads and handles exactly one message, blocking until it is there (the
  // connection must be bound without the event loop). Fails with
  // plat::Exception "MsgIpc::readMessage: not in state startMsg" unless
  // connected and between messages, and with "MsgIpc: expected message %s, got
  // %s" when expectedName is given and the message is neither it nor "badMsg".
  // A failed message is skipped before its error is passed on, so the next call
  // starts at the next message. Returns early when the connection is dropped.
  void readMessage(const char* expectedName = nullptr);

  // The "Ipc" log source, for code that logs about a channel.
  static plat::LogSrc& logSrc();

private:
  // Ipc::Callback
  void ipcReadable(Ipc& ipc) override;
  void ipcClosed(Ipc& ipc) override;

  // The receive states.
  bool startMsgState();
  bool readNameState();
  bool dispatchState();
  bool finishMsgState();

  Reader* findReader(const char* name) const;
  // Waits until the input has more than it holds now (readMessage only).
  void waitForInput();
  void skipFailedMessage();
  // Unbinds the streams, clears the receive state and tells the readers
  // and (with tellFilter) the filter.
  void forgetConnection(bool tellFilter);

  const int flags_;
  Ipc ipc_;
  // Takes messages written while no connection is bound.
  rdr::NullOutStream discard_;
  rdr::InStreamV4 in_;
  rdr::OutStreamV4 out_;
  rdr::StateMachine<MsgIpc> state_;
  // The catch-all reader has the null name.
  std::map<plat::String, Reader*> readers_;
  // The reader of the message being dispatched.
  Reader* reader_;
  plat::String msgName_;
  // Set only while readMessage() waits for a message.
  plat::String expected_;
  // Counts finished messages, so readMessage() knows when one is done.
  unsigned finished_;
  MsgFilter* filter_;
};

} // namespace io
