// What a quirk plug-in (in_quirk.cpp) saw, as its quirk_report export gives it.
#pragma once

#include <cstdint>

struct QuirkReport {
  int initCalls;
  int plays;
  int messagesSeen;  // by the subclassing procedure
  std::intptr_t versionAnswer;
  int settingsFolderLength;
  int dspSamples;        // what dsp_dosamples returned for 576 samples
  int bytesWritten;      // what the output took after it
  int timerTicks;        // of the thread timer
  int hookCalls;         // of the message hook
  std::uintptr_t timer;  // the timer's id and the hook's handle, while set
  void* hook;
};
