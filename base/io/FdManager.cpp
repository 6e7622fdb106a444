#include <io/FdManager.h>

#include <io/FdHandler.h>
#include <plat/Assert.h>

#include <algorithm>
#include <pthread.h>

namespace io {

namespace {

// The thread's current manager. The key is created during static
// initialisation, before any thread can construct a manager.
struct CurrentManagerKey {
  CurrentManagerKey() { PLAT_ASSERT(pthread_key_create(&key, nullptr) == 0); }
  pthread_key_t key;
};
CurrentManagerKey currentKey;

} // namespace

FdManager::FdManager()
    : dispatching_(nullptr),
      timers_(plat::TimerManager::currentOrNull() != nullptr),
      dispatchTimer_(this), previous_(current())
{
  pthread_setspecific(currentKey.key, this);
}

FdManager::~FdManager()
{
  PLAT_ASSERT(current() == this);
  // A handler may unregister or delete others (or itself) when told, so the
  // set is re-read after every notification.
  while (!handlers_.empty()) {
    FdHandler* h = *handlers_.begin();
    unregisterHandler(h);
    h->managerDestroyed();
  }
  pthread_setspecific(currentKey.key, previous_);
}

FdManager* FdManager::current()
{
  return static_cast<FdManager*>(pthread_getspecific(currentKey.key));
}

void FdManager::registerHandler(FdHandler* h)
{
  handlers_.insert(h);
}

void FdManager::unregisterHandler(FdHandler* h)
{
  if (!handlers_.erase(h))
    return;
  for (int k = 0; k < 3; k++) {
    interests_[k].erase(h);
    ready_[k].erase(std::remove(ready_[k].begin(), ready_[k].end(), h),
                    ready_[k].end());
  }
  if (dispatching_)
    std::replace(dispatching_->begin(), dispatching_->end(), h,
                 static_cast<FdHandler*>(nullptr));
}

void FdManager::setInterests(FdHandler* h, bool read, bool write,
                             bool exceptional)
{
  PLAT_ASSERT(isRegistered(h));
  const bool want[3] = {exceptional, read, write};
  for (int k = 0; k < 3; k++) {
    if (want[k])
      interests_[k].insert(h);
    else
      interests_[k].erase(h);
  }
  interestChanged(h);
}

void FdManager::addReady(FdHandler* h, ReadyKind kind)
{
  PLAT_ASSERT(isRegistered(h));
  std::vector<FdHandler*>& list = ready_[kind];
  if (std::find(list.begin(), list.end(), h) == list.end())
    list.push_back(h);
}

bool FdManager::hasReady() const
{
  return !ready_[0].empty() || !ready_[1].empty() || !ready_[2].empty();
}

void FdManager::processEvents()
{
  PLAT_ASSERT(!dispatching_);
  timers_.process();

  for (int k = 0; k < 3; k++) {
    // Swapped out so that notifications may add to the lists for the next
    // round; entries of handlers unregistered meanwhile become null.
    std::vector<FdHandler*> list;
    list.swap(ready_[k]);
    dispatching_ = &list;
    size_t i = 0;
    try {
      for (; i < list.size(); i++) {
        FdHandler* h = list[i];
        if (!h)
          continue;
        switch (k) {
        case Exceptional: h->exceptional(); break;
        case Read: h->readable(); break;
        default: h->writable(); break;
        }
      }
    } catch (...) {
      // The handlers not reached yet keep their turn for the next round.
      dispatching_ = nullptr;
      for (i++; i < list.size(); i++)
        if (list[i])
          addReady(list[i], ReadyKind(k));
      throw;
    }
    dispatching_ = nullptr;
  }
}

bool FdManager::timerCallback(plat::Timer*)
{
  // The dispatch timer only ends the wait; processEvents does the rest.
  return false;
}

} // namespace io
