#include <rdr/ParallelZlibOutStream.h>

#include <plat/Exception.h>
#include <plat/unix/WorkerPool.h>

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <exception>
#include <vector>

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

} // namespace

// State shared by the caller and the jobs, guarded by the pool's mutex. A
// chunk is in exactly one of: the caller's hands (current), `order` (posted
// for deflating, being deflated, or done and waiting for its turn to be
// written), `free`.
struct ParallelZlibOutStream::Shared {
  Shared(plat::WorkerPool& pool, int level) : pool(pool), level(level) {}

  // The job of one chunk: deflates it with the lock released, then writes
  // what is ready. Skipped once the stream fails or is being destroyed.
  void deflateJob(Chunk* c)
  {
    plat::MutexLock l(pool.mutex());
    if (!failure && !stopping) {
      std::unique_ptr<Deflater> d;
      if (!deflaters.empty()) {
        d = std::move(deflaters.back());
        deflaters.pop_back();
      }
      try {
        {
          plat::MutexUnlock u(pool.mutex());
          if (!d)
            d.reset(new Deflater(level));
          d->deflateChunk(*c);
        }
        c->done = true;
      } catch (...) {
        fail(std::current_exception());
      }
      if (d)
        deflaters.push_back(std::move(d));
      writeReady();
    }
    jobs--;
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
        plat::MutexUnlock u(pool.mutex());
        underlying->writeBytes(c->out.get(), c->outLen);
      } catch (...) {
        fail(std::current_exception());
        break;
      }
      order.pop_front();
      c->done = false;
      free.push_back(c);
    }
    writing = false;
  }

  void fail(std::exception_ptr e)
  {
    if (!failure)
      failure = e;
  }

  void rethrowFailure()
  {
    if (failure)
      std::rethrow_exception(failure);
  }

  plat::WorkerPool& pool;
  std::deque<Chunk*> order;
  std::vector<Chunk*> free;
  std::vector<std::unique_ptr<Chunk>> chunks;
  std::vector<std::unique_ptr<Deflater>> deflaters;
  OutStream* underlying = nullptr;
  int jobs = 0; // posted and not ended
  bool writing = false;
  bool stopping = false;
  std::exception_ptr failure;
  int level;
};

ParallelZlibOutStream::ParallelZlibOutStream(OutStream* out, int nWorkers,
                                             int level, size_t size)
    : ParallelZlibOutStream(
          out, std::make_unique<plat::WorkerPool>(std::max(nWorkers, 1)),
          nullptr, level, size)
{
}

ParallelZlibOutStream::ParallelZlibOutStream(OutStream* out,
                                             plat::WorkerPool& pool, int level,
                                             size_t size)
    : ParallelZlibOutStream(out, nullptr, &pool, level, size)
{
}

ParallelZlibOutStream::ParallelZlibOutStream(
    OutStream* out, std::unique_ptr<plat::WorkerPool> own,
    plat::WorkerPool* pool, int level, size_t size)
    : ownPool(std::move(own)),
      shared(new Shared(pool ? *pool : *ownPool, level)), current(nullptr),
      chunkSize(size), offset(0)
{
  shared->underlying = out;
  // One chunk per thread that may deflate (the caller's included), one
  // being written and one being filled.
  for (int i = 0; i < shared->pool.workers() + 2; i++) {
    shared->chunks.emplace_back(new Chunk(chunkSize));
    shared->free.push_back(shared->chunks.back().get());
  }
  current = shared->free.back();
  shared->free.pop_back();
  ptr = start();
  end = ptr + chunkSize;
}

ParallelZlibOutStream::~ParallelZlibOutStream()
{
  Shared& s = *shared;
  plat::MutexLock l(s.pool.mutex());
  s.stopping = true;
  s.pool.wait([&] { return s.jobs == 0; });
}

uint8_t* ParallelZlibOutStream::start() const
{
  return current->data();
}

void ParallelZlibOutStream::setUnderlying(OutStream* out)
{
  plat::MutexLock l(shared->pool.mutex());
  PLAT_ASSERT_THROW(shared->order.empty());
  shared->underlying = out;
}

OutStream* ParallelZlibOutStream::bottomStream()
{
  plat::MutexLock l(shared->pool.mutex());
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
    Shared& s = *shared;
    plat::MutexLock l(s.pool.mutex());
    s.rethrowFailure();
    if (!s.underlying)
      throw plat::Exception("ParallelZlibOutStream: no underlying stream");
    current->len = len;
    current->first = offset == 0;
    s.order.push_back(current);
    s.jobs++;
    s.pool.post([&s, c = current] { s.deflateJob(c); });
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
// written, running waiting jobs rather than idling.
void ParallelZlibOutStream::waitFor(bool allWritten)
{
  Shared& s = *shared;
  plat::MutexLock l(s.pool.mutex());
  s.pool.wait([&] {
    return s.failure || (allWritten ? s.order.empty() : !s.free.empty());
  });
  s.rethrowFailure();
  if (!allWritten) {
    current = s.free.back();
    s.free.pop_back();
  }
}

} // namespace rdr
