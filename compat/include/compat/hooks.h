// Test hooks of the Linux stand-in layer: call counters and injected failures.
#pragma once

#include <cstdint>

namespace compat {

struct CallCounts {
  int createFile = 0;
  int readFile = 0;
  int writeFile = 0;
  int getFileSize = 0;
  int closeHandle = 0;
  int globalAlloc = 0;
  int globalLock = 0;
  int globalUnlock = 0;
  int globalFree = 0;
};

struct Faults {
  // GlobalAlloc fails for the call with this number (1 = the next one); 0: never.
  int failAllocCall = 0;
  // GlobalAlloc fails for any request larger than this; 0: no limit.
  std::uint64_t allocLimit = 0;
  // WriteFile stores at most this many more bytes in all, then comes up short; -1: no limit.
  std::int64_t writeBudget = -1;
};

CallCounts& calls();
Faults& faults();
// Files and memory blocks currently open / allocated.
int openFileCount();
int liveBlockCount();
// Clears the counters and the faults (not the open files or blocks).
void resetHooks();

}  // namespace compat
