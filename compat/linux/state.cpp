#include "state.h"

namespace compat {

State& state() {
  static State s;
  return s;
}

int openFileCount() {
  std::lock_guard<std::mutex> guard(state().lock);
  return static_cast<int>(state().files.size());
}

int liveBlockCount() {
  std::lock_guard<std::mutex> guard(state().lock);
  return static_cast<int>(state().blocks.size());
}

int loadedLibraryCount() {
  std::lock_guard<std::mutex> guard(state().lock);
  return static_cast<int>(state().libraries.size());
}

}  // namespace compat
