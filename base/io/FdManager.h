// io::FdManager keeps the descriptors of one thread's event loop: the
// registered io::FdHandler objects, which of them want to read, write or
// hear of exceptional conditions, the lists of those found ready, and the
// thread's plat::TimerManager. A wait loop (io::FdLoop) fills the ready lists
// from the interest sets and calls processEvents(), which runs due timers
// and then the handlers' notifications.
//
// Constructing a manager makes it the constructing thread's current manager
// (remembering the previous one, restored by the destructor); a manager and
// its handlers belong to that thread. Handlers are not owned.
#pragma once

#include <plat/Timer.h>
#include <plat/TimerManager.h>

#include <set>
#include <vector>

namespace io {

class FdHandler;

class FdManager : public plat::Timer::Callback {
public:
  enum ReadyKind { Exceptional = 0, Read = 1, Write = 2 };

  // Becomes the thread's current manager; creates its own TimerManager,
  // nested when the thread already has one.
  FdManager();
  // Tells every handler still registered (FdHandler::managerDestroyed),
  // then restores the thread's previous manager. Must run on the owning
  // thread, while this is the current manager.
  ~FdManager() override;
  FdManager(const FdManager&) = delete;
  FdManager& operator=(const FdManager&) = delete;

  // The calling thread's current manager, or null.
  static FdManager* current();

  // Registers h without any interest; registering twice does nothing.
  void registerHandler(FdHandler* h);
  // Removes h from every set and ready list, also from lists that are being
  // dispatched, so a handler may unregister (or delete) itself or another
  // one from within a notification. Unknown handlers are ignored.
  void unregisterHandler(FdHandler* h);
  bool isRegistered(FdHandler* h) const { return handlers_.count(h) != 0; }

  // Sets the interests of registered handler h and calls interestChanged.
  void setInterests(FdHandler* h, bool read, bool write,
                    bool exceptional = false);
  bool hasInterest(FdHandler* h, ReadyKind kind) const
  {
    return interests_[kind].count(h) != 0;
  }
  const std::set<FdHandler*>& interestSet(ReadyKind kind) const
  {
    return interests_[kind];
  }

  // Puts registered handler h on a ready list (once) for the next dispatch.
  void addReady(FdHandler* h, ReadyKind kind);
  bool hasReady() const;

  // Makes the next wait return at once, so that what was put on a ready list
  // is dispatched without waiting for a descriptor.
  void scheduleDispatch() { dispatchTimer_.start(0); }

  // Runs the due timers, then the exceptional, readable and writable
  // notifications of the handlers on the ready lists, emptying them.
  // Exceptions from timers and handlers propagate. Not reentrant.
  void processEvents();

  plat::TimerManager& timerManager() { return timers_; }

protected:
  // Called after the interests of h changed; for wait loops that keep their
  // own descriptor state. The default does nothing.
  virtual void interestChanged(FdHandler* h) { (void)h; }

private:
  bool timerCallback(plat::Timer* timer) override;

  std::set<FdHandler*> handlers_;
  std::set<FdHandler*> interests_[3];
  std::vector<FdHandler*> ready_[3];
  // The list being dispatched, whose entries unregisterHandler clears.
  std::vector<FdHandler*>* dispatching_;
  plat::TimerManager timers_;
  plat::Timer dispatchTimer_;
  FdManager* previous_;
};

} // namespace io
