#include "compat/hooks.h"

#include "state.h"

namespace compat {

CallCounts& calls() { return state().calls; }
Faults& faults() { return state().faults; }
int openFileCount() { return static_cast<int>(state().files.size()); }
int liveBlockCount() { return static_cast<int>(state().blocks.size()); }

void resetHooks() {
  state().calls = CallCounts{};
  state().faults = Faults{};
}

State& state() {
  static State s;
  return s;
}

}  // namespace compat
