#include <io/MsgIpc.h>

#include <io/Io.h>
#include <plat/DString.h>
#include <plat/Exception.h>
#include <plat/LogSrc.h>
#include <rdr/Exception.h>

#include <set>

namespace io {

namespace {

plat::StaticLogSrc vlog("Ipc");

const char badMsgName[] = "badMsg";

} // namespace

plat::LogSrc& MsgIpc::logSrc()
{
  return *vlog;
}

MsgIpc::MsgIpc(int flags, Io* io, bool eventDriven)
    : flags_(flags), ipc_(this), in_(nullptr), out_(&discard_), state_(this),
      reader_(nullptr), finished_(0), filter_(nullptr)
{
  if (io)
    bind(io, eventDriven);
}

MsgIpc::~MsgIpc() {}

void MsgIpc::bind(Io* io, bool eventDriven)
{
  if (isConnected())
    drop(false);
  ipc_.bind(io, eventDriven);
  in_.setUnderlying(&io->getInStream());
  out_.setUnderlying(&io->getOutStream());
  reader_ = nullptr;
  msgName_.clear();
  state_.setState(&MsgIpc::startMsgState);
}

void MsgIpc::drop(bool tellFilter)
{
  if (!isConnected())
    return;
  ipc_.close(true);
  forgetConnection(tellFilter);
}

void MsgIpc::forgetConnection(bool tellFilter)
{
  in_.setUnderlying(nullptr);
  out_.setUnderlying(&discard_);
  state_.clear();
  reader_ = nullptr;
  msgName_.clear();
  // A reader may change the table while it is told.
  std::set<Reader*> readers;
  for (const auto& entry : readers_)
    readers.insert(entry.second);
  for (Reader* r : readers)
    r->ipcDropped(*this);
  if (tellFilter && filter_)
    filter_->disconnected(*this);
}

void MsgIpc::setReader(const char* name, Reader* reader)
{
  if (reader)
    readers_[plat::String(name)] = reader;
  else
    readers_.erase(plat::String(name));
}

void MsgIpc::removeReader(Reader* reader)
{
  for (auto it = readers_.begin(); it != readers_.end();) {
    if (it->second == reader)
      it = readers_.erase(it);
    else
      ++it;
  }
  if (reader_ == reader) {
    reader_ = nullptr;
    if (state_.inState(&MsgIpc::dispatchState))
      state_.setState(&MsgIpc::finishMsgState);
  }
}

MsgIpc::Reader* MsgIpc::findReader(const char* name) const
{
  auto it = readers_.find(plat::String(name));
  if (it == readers_.end())
    it = readers_.find(plat::String());
  return it != readers_.end() ? it->second : nullptr;
}

rdr::FramedOutStream& MsgIpc::writeMsg(const char* name)
{
  if (filter_ && !filter_->isAllowed(*this, name, true)) {
    vlog->status("%s: Message '%s' not currently allowed", getName(), name);
    throw plat::Exception("MsgIpc::writeMsg: Message not currently allowed");
  }
  if (!isConnected() && (flags_ & DiscardWhenUnconnected))
    vlog->info("%s: Discarding message '%s'", getName(), name);
  out_.startMsg();
  out_.writeString8(name);
  return out_;
}

void MsgIpc::flush()
{
  out_.flush();
}

void MsgIpc::readMessage(const char* expectedName)
{
  if (!state_.inState(&MsgIpc::startMsgState))
    throw plat::Exception("MsgIpc::readMessage: not in state startMsg");
  expected_ = expectedName;
  unsigned done = finished_ + 1;
  try {
    while (finished_ != done && isConnected()) {
      if (!state_.step() && isConnected())
        waitForInput();
    }
  } catch (const rdr::BlockException&) {
    // Input that does not block was not what this call is for; the state
    // is kept, so the event loop can still finish the message.
    expected_.clear();
    throw;
  } catch (const plat::Exception& e) {
    expected_.clear();
    vlog->status("%s: %s", getName(), e.message());
    skipFailedMessage();
    throw;
  }
  expected_.clear();
}

void MsgIpc::waitForInput()
{
  // Asking for one byte more than is buffered blocks until it arrives.
  rdr::InStream* in = in_.getUnderlying();
  in->check(true, in->nUnread() + 1);
}

void MsgIpc::skipFailedMessage()
{
  if (!isConnected())
    return;
  try {
    if (in_.inMsg()) {
      in_.skipMsg();
      in_.endMsg();
    }
  } catch (const plat::Exception& e) {
    vlog->error("%s: skip error: %s", getName(), e.message());
  }
  reader_ = nullptr;
  msgName_.clear();
  state_.setState(&MsgIpc::startMsgState);
}

void MsgIpc::ipcReadable(Ipc&)
{
  if (filter_)
    filter_->connectionEvent(*this, MsgFilter::Readable);
  if (state_.isSet())
    state_.run();
}

void MsgIpc::ipcClosed(Ipc&)
{
  if (filter_)
    filter_->connectionEvent(*this, MsgFilter::Closed);
  forgetConnection(true);
}

bool MsgIpc::startMsgState()
{
  if (!in_.startMsg(false))
    return false;
  state_.setState(&MsgIpc::readNameState);
  return true;
}

bool MsgIpc::readNameState()
{
  plat::DString name;
  in_.readString8(name, true);
  msgName_ = name.c_str();
  if (!expected_.isNull() && msgName_ != expected_ && msgName_ != badMsgName)
    throw plat::ExceptionFmt("MsgIpc: expected message %s, got %s",
                             expected_.c_str(), msgName_.c_str());

  reader_ = findReader(msgName_.c_str());
  if (reader_) {
    // A reader that has to wait for its body starts again after the name.
    in_.setCheckpoint();
    state_.setState(&MsgIpc::dispatchState);
    return true;
  }

  if (msgName_ == badMsgName) {
    plat::DString reported;
    in_.readString8(reported, true);
    vlog->status("%s: Peer reports bad msg name '%s'", getName(),
                 reported.c_str());
    throw plat::ExceptionFmt(
        "MsgIpc: expected message %s, peer reports bad msg name '%s'",
        expected_.isNull() ? "<null>" : expected_.c_str(), reported.c_str());
  }

  // Set first: neither a failed reply nor a wait may read the name again.
  state_.setState(&MsgIpc::finishMsgState);
  if (flags_ & ReplyBadName) {
    writeMsg(badMsgName).writeString8(msgName_.c_str());
    out_.endMsg(true);
  } else {
    vlog->status("%s: Bad msg name '%s'", getName(), msgName_.c_str());
    if ((flags_ & CloseOnBadControlName) &&
        static_cast<unsigned char>(msgName_.c_str()[0]) < 65) {
      drop();
      return false;
    }
  }
  return true;
}

bool MsgIpc::dispatchState()
{
  if (filter_ && !filter_->isAllowed(*this, msgName_.c_str(), false)) {
    vlog->status("%s: Message '%s' not currently allowed", getName(),
                 msgName_.c_str());
    state_.setState(&MsgIpc::finishMsgState);
    return true;
  }
  bool done = reader_->readMsg(msgName_.c_str(), in_, *this);
  // The reader may have dropped the connection.
  if (!isConnected())
    return false;
  if (!done) {
    in_.rewind();
    return false;
  }
  if (state_.inState(&MsgIpc::dispatchState))
    state_.setState(&MsgIpc::finishMsgState);
  return true;
}

bool MsgIpc::finishMsgState()
{
  if (in_.inMsg()) {
    in_.skipMsg();
    in_.endMsg();
  }
  reader_ = nullptr;
  msgName_.clear();
  finished_++;
  state_.setState(&MsgIpc::startMsgState);
  return true;
}

} // namespace io
