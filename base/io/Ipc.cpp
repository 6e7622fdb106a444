#include <io/Ipc.h>

#include <io/Io.h>
#include <plat/Exception.h>
#include <rdr/OutStream.h>

namespace io {

Ipc::Ipc(Callback* cb) : cb_(cb), io_(nullptr), eventDriven_(false) {}

Ipc::~Ipc()
{
  // Waiting for a slow peer has no place in a destructor; the event loop
  // can still drain in the background.
  close(eventDriven_);
}

void Ipc::bind(Io* io, bool eventDriven)
{
  close(true);
  io_ = io;
  eventDriven_ = eventDriven;
  name_ = io->getName();
  if (eventDriven)
    io->setHandler(this);
}

void Ipc::close(bool flush)
{
  Io* io = io_;
  if (!io)
    return;
  io_ = nullptr;
  if (eventDriven_) {
    // The connection outlives this call (it deletes itself from the event
    // loop), so it must stop reporting to us: a shutdown it had started
    // itself would otherwise still tell this object, or a dead one.
    io->shutdown(flush, false);
    io->setHandler(nullptr);
    return;
  }
  if (flush) {
    try {
      io->getOutStream().flush();
    } catch (const plat::Exception&) {
      // The peer is gone or stuck; closing is all that is left.
    }
  }
  io->shutdown(false, false);
}

rdr::InStream* Ipc::getInStream() const
{
  return io_ ? &io_->getInStream() : nullptr;
}

rdr::OutStream* Ipc::getOutStream() const
{
  return io_ ? &io_->getOutStream() : nullptr;
}

void Ipc::readable(Io& io)
{
  if (&io == io_)
    cb_->ipcReadable(*this);
}

void Ipc::shutdownComplete(Io& io)
{
  if (&io != io_)
    return;
  io_ = nullptr;
  cb_->ipcClosed(*this);
}

} // namespace io
