#include <plat/unix/Threading.h>

#include <plat/Assert.h>
#include <plat/Exception.h>
#include <plat/LogSrc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace plat {

namespace {

struct RecursiveAttr {
  pthread_mutexattr_t attr;
  RecursiveAttr()
  {
    pthread_mutexattr_init(&attr);
    if (pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE) != 0) {
      static const char warning[] = "WARNING: system libpthread has no "
                                    "recursive mutexes; deadlock may result.";
      ssize_t n = write(2, warning, sizeof(warning) - 1);
      (void)n;
    }
  }
  ~RecursiveAttr() { pthread_mutexattr_destroy(&attr); }
};

// Holds the current Thread of each thread. No destructor function: thread
// objects are owned by whoever created them.
struct ThreadKey {
  pthread_key_t key;
  ThreadKey() { pthread_key_create(&key, nullptr); }
  ~ThreadKey() { pthread_key_delete(key); }
};

pthread_key_t threadKey()
{
  static ThreadKey k;
  return k.key;
}

// Create the key at start-up, before any thread could race for it.
const pthread_key_t startupKey = threadKey();

StaticLogSrc vlog("Threading");

void logEvent(const char* event, const char* name, pthread_t handle,
              const char* message)
{
  vlog->info("%-9s %s %lx%s%s", event, name, (unsigned long)handle,
             message ? ": " : "", message ? message : "");
}

} // namespace

const pthread_mutexattr_t* recursiveMutexAttr()
{
  static RecursiveAttr a; // thread-safe one-time initialisation
  return &a.attr;
}

Mutex::Mutex()
{
  pthread_mutex_init(&m_, recursiveMutexAttr());
}

Mutex::~Mutex()
{
  pthread_mutex_destroy(&m_);
}

void Mutex::lock()
{
  pthread_mutex_lock(&m_);
}

void Mutex::unlock()
{
  pthread_mutex_unlock(&m_);
}

Condition::Condition()
{
  pthread_cond_init(&c_, nullptr);
}

Condition::~Condition()
{
  pthread_cond_destroy(&c_);
}

bool Condition::wait(Mutex& mutex, int timeoutMs)
{
  PLAT_ASSERT_DETAIL(timeoutMs == -1,
                     "Condition timed wait not implemented yet");
  pthread_cond_wait(&c_, mutex.native());
  return true;
}

void Condition::signal()
{
  pthread_cond_signal(&c_);
}

void Condition::broadcast()
{
  pthread_cond_broadcast(&c_);
}

Thread::Thread(const char* name, Runnable* runnable)
    : name_(strdup(name ? name : "")), handle_(0), runnable_(runnable),
      state_(Created), selfDelete_(false)
{
  log("created");
}

Thread::Thread(pthread_t native)
    : name_(strdup("Native")), handle_(native), runnable_(nullptr),
      state_(Native), selfDelete_(false)
{
  log("native");
}

Thread::~Thread()
{
  log("destroy");
  join();
  log("destroyed");
  free(name_);
}

void Thread::run()
{
  if (runnable_)
    runnable_->run(this);
}

void Thread::log(const char* event, const char* message)
{
  logEvent(event, name_, handle_, message);
}

Thread::State Thread::getState()
{
  MutexLock l(mutex_);
  return state_;
}

void Thread::setSelfDelete(bool selfDelete)
{
  MutexLock l(mutex_);
  selfDelete_ = selfDelete;
}

void Thread::start()
{
  {
    MutexLock l(mutex_);
    if (state_ != Created)
      return;
    state_ = Running;
  }
  // A thread that fails to start stays Running without a handle; join()
  // then has nothing to wait for.
  pthread_create(&handle_, nullptr, entry, this);
}

bool Thread::join()
{
  pthread_t handle;
  {
    MutexLock l(mutex_);
    if (selfDelete_ || state_ == Native)
      return false;
    if (state_ == Joined)
      return true;
    handle = handle_;
  }
  log("join");
  if (handle)
    pthread_join(handle, nullptr);
  {
    MutexLock l(mutex_);
    state_ = Joined;
  }
  log("joined");
  return true;
}

void* Thread::entry(void* arg)
{
  Thread* t = static_cast<Thread*>(arg);
  pthread_setspecific(threadKey(), t);
  // handle_ is written by pthread_create in the starting thread, possibly
  // after this thread runs: log our own id instead.
  pthread_t self = pthread_self();
  logEvent("started", t->name_, self, nullptr);
  try {
    t->run();
    logEvent("stopped", t->name_, self, nullptr);
  } catch (const Exception& e) {
    logEvent("failed", t->name_, self, e.message());
  }
  bool selfDelete;
  {
    MutexLock l(t->mutex_);
    t->state_ = Stopped;
    selfDelete = t->selfDelete_;
  }
  if (selfDelete) {
    pthread_detach(pthread_self());
    pthread_setspecific(threadKey(), nullptr);
    char name[64];
    snprintf(name, sizeof(name), "%s", t->name_);
    try {
      delete t;
    } catch (const Exception& e) {
      logEvent("failed", name, self, e.message());
    }
  }
  return nullptr;
}

Thread* currentThread()
{
  Thread* t = static_cast<Thread*>(pthread_getspecific(threadKey()));
  if (!t) {
    t = new Thread(pthread_self());
    pthread_setspecific(threadKey(), t);
  }
  return t;
}

} // namespace plat
