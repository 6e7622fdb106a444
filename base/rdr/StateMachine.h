// rdr::StateMachine: drives a parser of a non-blocking stream as a chain of
// state operations of its owner.
//
// Each operation reads what it needs, picks the next state with setState()
// and returns true to go on, or returns false when it must wait for more
// input (a rdr::BlockException escaping it means the same). Since the state
// survives the wait, the parser resumes where it stopped rather than at the
// start of the message. A state must be set whenever one is run (fatal
// assertion "stateFn"); an owner that has nothing to parse, such as one
// without a connection, clears the state and does not run.
#pragma once

#include <plat/Assert.h>

namespace rdr {

template <class Owner> class StateMachine {
public:
  typedef bool (Owner::*StateFn)();

  explicit StateMachine(Owner* owner, StateFn initial = nullptr)
      : owner_(owner), state_(initial)
  {
  }

  void setState(StateFn fn) { state_ = fn; }
  void clear() { state_ = nullptr; }
  bool inState(StateFn fn) const { return state_ == fn; }
  bool isSet() const { return state_ != nullptr; }

  // Runs the current state once and returns its result.
  bool step()
  {
    StateFn stateFn = state_;
    PLAT_ASSERT(stateFn);
    return (owner_->*stateFn)();
  }

  // Runs states until one returns false.
  void run()
  {
    while (step()) {
    }
  }

private:
  Owner* owner_;
  StateFn state_;
};

} // namespace rdr
