// Shared by the fake plug-ins and the tests: the calls the fakes saw, in
// order, and what they are told to answer.
#pragma once

#include <string>
#include <vector>

#include "winamp/plugin.h"

struct FakeControl {
  bool inNullRecord = false;   // winampGetInModule2 returns null
  bool outNullRecord = false;  // winampGetOutModule returns null
  int playResult = 0;
  int length = 0;
  int outputTime = 0;
  int getConfigResult = 0;
  int setConfigResult = 0;
  unsigned versionFlags = 0;  // IN_UNICODE, IN_INIT_RET
  int initResult = 0;         // what Init returns (looked at under IN_INIT_RET)
};

extern "C" {
std::vector<std::string>& fakeLog();
FakeControl& fakeControl();
// The records as the fakes hand them out, to look at what the host wrote.
In_Module* fakeInRecord();
Out_Module* fakeOutRecord();
void setFakeInRecord(In_Module* record);
void setFakeOutRecord(Out_Module* record);
// The records as the fakes made them, before the host wrote into them.
const In_Module* fakeInOriginal();
const Out_Module* fakeOutOriginal();
void setFakeInOriginal(const In_Module* record);
void setFakeOutOriginal(const Out_Module* record);
}
