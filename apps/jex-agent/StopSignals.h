// agent::StopSignals: SIGTERM and SIGINT end a program's event loop. While
// the object exists either signal sets the flag stopRequested() reads and
// kicks the loop's kicker, so that a waiting loop returns and can look.
#pragma once

namespace io {
class Kicker;
}

namespace agent {

class StopSignals {
public:
  // One object at a time; kicker must outlive it.
  explicit StopSignals(io::Kicker& kicker);
  // Back to the default dispositions.
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  static bool stopRequested();
};

} // namespace agent
