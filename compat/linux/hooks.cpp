#include "compat/hooks.h"

#include "state.h"

namespace compat {

CallCounts& calls() {
  return state().calls;
}
LastCalls& lastCalls() {
  return state().last;
}
FakeClock& clock() {
  return state().clock;
}
Faults& faults() {
  return state().faults;
}
int openFileCount() {
  return static_cast<int>(state().files.size());
}
int liveBlockCount() {
  return static_cast<int>(state().blocks.size());
}

std::vector<MessageBoxRecord>& messageBoxes() {
  return state().boxes;
}
void captureMessageBoxes(bool on) {
  state().captureBoxes = on;
}
FakeMixer& mixer() {
  return state().mixer;
}
void setFocusWindow(void* window) {
  state().focus = window;
}
int loadedLibraryCount() {
  return static_cast<int>(state().libraries.size());
}

void resetHooks() {
  state().calls = CallCounts{};
  state().last = LastCalls{};
  state().clock = FakeClock{};
  state().faults = Faults{};
  state().boxes.clear();
  state().mixer = FakeMixer{};
  state().focus = nullptr;
  resetWaveOut();
}

State& state() {
  static State s;
  return s;
}

}  // namespace compat
