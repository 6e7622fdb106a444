// Threads and locks of the platform core.
//
// plat::Thread wraps a POSIX thread whose life (created, running, stopped,
// joined) is logged line by line on the "Threading" log source at level
// 100. Every mutex of the platform core is recursive, initialised with
// recursiveMutexAttr(), so a thread may re-lock a mutex it holds.
#pragma once

#include <pthread.h>

namespace plat {

// The process-wide attribute for recursive mutexes, set up once on first
// use (thread-safe). Where the system has no recursive mutexes a warning is
// written to stderr and the default type is used instead.
const pthread_mutexattr_t* recursiveMutexAttr();

// A recursive mutex.
class Mutex {
public:
  Mutex();
  ~Mutex();
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

  // Blocks until the calling thread holds the mutex.
  void lock();
  void unlock();
  pthread_mutex_t* native() { return &m_; }

private:
  pthread_mutex_t m_;
};

// Holds a Mutex for the lifetime of the object.
class MutexLock {
public:
  explicit MutexLock(Mutex& m) : m_(m) { m_.lock(); }
  ~MutexLock() { m_.unlock(); }
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

private:
  Mutex& m_;
};

class Condition {
public:
  Condition();
  ~Condition();
  Condition(const Condition&) = delete;
  Condition& operator=(const Condition&) = delete;

  // Waits for a signal with mutex held (locked once) by the caller; blocks.
  // Only timeoutMs -1 (no timeout) is supported: any other value is a fatal
  // assertion. Returns true.
  bool wait(Mutex& mutex, int timeoutMs);
  void signal();
  void broadcast();

private:
  pthread_cond_t c_;
};

class Thread {
public:
  class Runnable {
  public:
    virtual ~Runnable() {}
    // Body of the thread; a plat::Exception escaping it is logged.
    virtual void run(Thread* thread) = 0;
  };

  enum State { Created, Running, Stopped, Joined, Native };

  // A thread named name (copied) that will call runnable->run() (not
  // owned; may be null when a subclass overrides run()). Not started yet.
  explicit Thread(const char* name, Runnable* runnable = nullptr);
  // Wraps a thread not started here; it is never joined.
  explicit Thread(pthread_t native);
  // Joins the thread (blocks until it ends) unless it is native or
  // self-deleting.
  virtual ~Thread();
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // Body of the thread; by default calls the runnable.
  virtual void run();

  // Starts the thread; does nothing unless the state is Created.
  void start();
  // Waits for the thread to end. Returns false at once for a native
  // wrapper or a self-deleting thread; true otherwise (also when already
  // joined).
  bool join();
  // When set, the thread detaches and deletes this object once run()
  // returns; nobody else may delete or join it then.
  void setSelfDelete(bool selfDelete);

  const char* getName() const { return name_; }
  pthread_t getHandle() const { return handle_; }
  State getState();

private:
  static void* entry(void* arg);
  void log(const char* event, const char* message = nullptr);

  char* name_;
  pthread_t handle_;
  Runnable* runnable_;
  Mutex mutex_;
  State state_;
  bool selfDelete_;
};

// The calling thread's Thread object. For a thread not started by
// plat::Thread a native wrapper is created on first call and kept for the
// thread's life (it is never freed).
Thread* currentThread();

} // namespace plat
