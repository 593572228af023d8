// What a quirk plug-in (in_quirk.cpp) saw, as its quirk_report export gives it.
#pragma once

#include <cstdint>

struct QuirkReport {
  int initCalls;
  int plays;
  int messagesSeen;  // by the subclassing procedure
  std::intptr_t versionAnswer;
  int settingsFolderLength;
};
