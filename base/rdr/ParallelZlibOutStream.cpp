#include <rdr/ParallelZlibOutStream.h>

#include <plat/Exception.h>
#include <plat/unix/Threading.h>

#include <zlib.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <deque>

namespace rdr {

// One piece of input, with room for its dictionary right before the data so
// that the dictionary of the next chunk is one contiguous tail.
struct ParallelZlibOutStream::Chunk {
  explicit Chunk(size_t chunkSize)
      : in(new uint8_t[DictionarySize + chunkSize]),
        // Room for incompressible input stored as is, plus the header and
        // the sync marker; grown in the rare case deflate wants more.
        outCap(chunkSize + chunkSize / 8 + 64), out(new uint8_t[outCap])
  {
  }
  uint8_t* data() const { return in.get() + DictionarySize; }

  std::unique_ptr<uint8_t[]> in;
  size_t dictLen = 0;
  size_t len = 0;
  bool first = false; // begins the stream: zlib header, no dictionary
  bool done = false;  // deflated, waiting to be written
  size_t outCap;
  std::unique_ptr<uint8_t[]> out;
  size_t outLen = 0;
};

namespace {

// A raw deflate state of its own for each thread that compresses.
class Deflater {
public:
  explicit Deflater(int level) : level_(level == -1 ? 6 : level)
  {
    memset(&zs_, 0, sizeof(zs_));
    if (deflateInit2(&zs_, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK)
      throw plat::Exception("ParallelZlibOutStream: deflateInit failed");
  }
  ~Deflater() { deflateEnd(&zs_); }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  template <class Chunk> void deflateChunk(Chunk& c)
  {
    deflateReset(&zs_);
    c.outLen = 0;
    if (c.first) {
      // The header a zlib-format stream of this level starts with, so that
      // the result reads like the single-threaded stream's.
      unsigned h = (Z_DEFLATED + (7 << 4)) << 8;
      h |= (level_ < 2 ? 0 : level_ < 6 ? 1 : level_ == 6 ? 2 : 3) << 6;
      h += 31 - h % 31;
      c.out[c.outLen++] = uint8_t(h >> 8);
      c.out[c.outLen++] = uint8_t(h);
    } else if (c.dictLen && deflateSetDictionary(&zs_, c.data() - c.dictLen,
                                                 uInt(c.dictLen)) != Z_OK) {
      throw plat::Exception("ParallelZlibOutStream: deflate failed");
    }
    zs_.next_in = c.data();
    zs_.avail_in = uInt(c.len);
    for (;;) {
      zs_.next_out = c.out.get() + c.outLen;
      zs_.avail_out = uInt(c.outCap - c.outLen);
      int rc = deflate(&zs_, Z_SYNC_FLUSH);
      if (rc != Z_OK && rc != Z_BUF_ERROR)
        throw plat::Exception("ParallelZlibOutStream: deflate failed");
      c.outLen = c.outCap - zs_.avail_out;
      if (zs_.avail_in == 0 && zs_.avail_out > 0)
        return;
      std::unique_ptr<uint8_t[]> bigger(new uint8_t[c.outCap * 2]);
      memcpy(bigger.get(), c.out.get(), c.outLen);
      c.out = std::move(bigger);
      c.outCap *= 2;
    }
  }

private:
  z_stream zs_;
  int level_;
};

// Releases a held mutex for the lifetime of the object.
class Unlocked {
public:
  explicit Unlocked(plat::Mutex& m) : m_(m) { m_.unlock(); }
  ~Unlocked() { m_.lock(); }
  Unlocked(const Unlocked&) = delete;
  Unlocked& operator=(const Unlocked&) = delete;

private:
  plat::Mutex& m_;
};

} // namespace

// State shared by the caller and the workers, guarded by `mutex`. A chunk
// is in exactly one of: the caller's hands (current), `pending` and
// `order` (waiting to be deflated), only `order` (being deflated, or done
// and waiting for its turn to be written), `free`.
struct ParallelZlibOutStream::Shared {
  explicit Shared(int level) : level(level) {}

  // Deflates the oldest pending chunk with the lock released, then writes
  // what is ready. Called with the lock held.
  void work(Deflater& deflater)
  {
    Chunk* c = pending.front();
    pending.pop_front();
    try {
      Unlocked u(mutex);
      deflater.deflateChunk(*c);
    } catch (...) {
      fail(std::current_exception());
      return;
    }
    c->done = true;
    writeReady();
  }

  // Writes finished chunks in input order. One thread writes at a time;
  // another that finishes a chunk meanwhile leaves it to that one, which
  // looks again before it stops.
  void writeReady()
  {
    if (writing)
      return;
    writing = true;
    while (!failure && !stopping && !order.empty() && order.front()->done) {
      Chunk* c = order.front();
      try {
        Unlocked u(mutex);
        underlying->writeBytes(c->out.get(), c->outLen);
      } catch (...) {
        writing = false;
        fail(std::current_exception());
        return;
      }
      order.pop_front();
      c->done = false;
      free.push_back(c);
      progress.broadcast();
    }
    writing = false;
  }

  void fail(std::exception_ptr e)
  {
    if (!failure)
      failure = e;
    pending.clear();
    progress.broadcast();
  }

  plat::Mutex mutex;
  plat::Condition workReady; // workers wait for pending chunks
  plat::Condition progress;  // the caller waits for free chunks
  std::deque<Chunk*> pending;
  std::deque<Chunk*> order;
  std::vector<Chunk*> free;
  std::vector<std::unique_ptr<Chunk>> chunks;
  std::unique_ptr<Deflater> callerDeflater;
  OutStream* underlying = nullptr;
  bool writing = false;
  bool stopping = false;
  std::exception_ptr failure;
  int level;
};

class ParallelZlibOutStream::Worker : public plat::Thread {
public:
  explicit Worker(Shared& s)
      : plat::Thread("ParallelZlibOutStream"), s_(s), deflater_(s.level)
  {
  }
  ~Worker() override { join(); }

  void run() override
  {
    plat::MutexLock l(s_.mutex);
    for (;;) {
      while (!s_.stopping && s_.pending.empty())
        s_.workReady.wait(s_.mutex, -1);
      if (s_.stopping)
        return;
      s_.work(deflater_);
    }
  }

private:
  Shared& s_;
  Deflater deflater_;
};

ParallelZlibOutStream::ParallelZlibOutStream(OutStream* out, int nWorkers,
                                             int level, size_t size)
    : shared(new Shared(level)), current(nullptr), chunkSize(size), offset(0)
{
  if (nWorkers < 1)
    nWorkers = 1;
  shared->underlying = out;
  for (int i = 0; i < nWorkers + 2; i++) {
    shared->chunks.emplace_back(new Chunk(chunkSize));
    shared->free.push_back(shared->chunks.back().get());
  }
  for (int i = 0; i < nWorkers; i++)
    workers.emplace_back(new Worker(*shared));

  // Threads inherit the creator's mask; blocking around their start leaves
  // no moment at which a worker could take a signal.
  sigset_t all, old;
  sigfillset(&all);
  for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
    sigdelset(&all, sig);
  pthread_sigmask(SIG_BLOCK, &all, &old);
  for (auto& w : workers)
    w->start();
  pthread_sigmask(SIG_SETMASK, &old, nullptr);

  current = shared->free.back();
  shared->free.pop_back();
  ptr = start();
  end = ptr + chunkSize;
}

ParallelZlibOutStream::~ParallelZlibOutStream()
{
  {
    plat::MutexLock l(shared->mutex);
    shared->stopping = true;
    shared->pending.clear();
    shared->workReady.broadcast();
  }
  workers.clear();
}

uint8_t* ParallelZlibOutStream::start() const
{
  return current->data();
}

void ParallelZlibOutStream::setUnderlying(OutStream* out)
{
  plat::MutexLock l(shared->mutex);
  PLAT_ASSERT_THROW(shared->order.empty());
  shared->underlying = out;
}

OutStream* ParallelZlibOutStream::bottomStream()
{
  plat::MutexLock l(shared->mutex);
  return shared->underlying ? shared->underlying->bottomStream() : this;
}

void ParallelZlibOutStream::flushCompressed()
{
  submit();
  waitFor(true);
}

void ParallelZlibOutStream::flush()
{
  flushCompressed();
  shared->underlying->flush();
}

size_t ParallelZlibOutStream::overrun(size_t itemSize, size_t nItems)
{
  if (itemSize > chunkSize)
    throw plat::Exception(
        "ParallelZlibOutStream overrun: max itemSize exceeded");
  submit();
  return itemsInWindow(itemSize, nItems);
}

void ParallelZlibOutStream::submit()
{
  const size_t len = size_t(ptr - start());
  if (len == 0)
    return;
  {
    plat::MutexLock l(shared->mutex);
    rethrowFailure();
    if (!shared->underlying)
      throw plat::Exception("ParallelZlibOutStream: no underlying stream");
    current->len = len;
    current->first = offset == 0;
    shared->pending.push_back(current);
    shared->order.push_back(current);
    shared->workReady.signal();
  }
  const Chunk* prev = current;
  offset += len;
  waitFor(false);

  // The next chunk's dictionary: the last 32 KiB before it, which may reach
  // back into the previous chunk's own dictionary. The previous chunk is
  // only read, here and by its deflater, so this needs no lock; it may
  // already be written and handed back as the new chunk, hence memmove.
  const size_t dict = std::min(size_t(DictionarySize), prev->dictLen + len);
  memmove(current->data() - dict, prev->data() + len - dict, dict);
  current->dictLen = dict;
  ptr = start();
  end = ptr + chunkSize;
}

// Waits for a free chunk (making it current) or for everything to be
// written, deflating waiting chunks itself rather than idling.
void ParallelZlibOutStream::waitFor(bool allWritten)
{
  Shared& s = *shared;
  plat::MutexLock l(s.mutex);
  for (;;) {
    rethrowFailure();
    if (allWritten ? s.order.empty() : !s.free.empty())
      break;
    if (s.pending.empty()) {
      s.progress.wait(s.mutex, -1);
      continue;
    }
    if (!s.callerDeflater)
      s.callerDeflater.reset(new Deflater(s.level));
    s.work(*s.callerDeflater);
  }
  if (!allWritten) {
    current = s.free.back();
    s.free.pop_back();
  }
}

void ParallelZlibOutStream::rethrowFailure()
{
  if (shared->failure)
    std::rethrow_exception(shared->failure);
}

} // namespace rdr
