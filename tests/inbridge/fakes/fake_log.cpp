#include "fake_log.h"

namespace {
In_Module* inRecord = nullptr;
Out_Module* outRecord = nullptr;
}  // namespace

extern "C" {
std::vector<std::string>& fakeLog() {
  static std::vector<std::string> log;
  return log;
}
FakeControl& fakeControl() {
  static FakeControl control;
  return control;
}
In_Module* fakeInRecord() {
  return inRecord;
}
Out_Module* fakeOutRecord() {
  return outRecord;
}
void setFakeInRecord(In_Module* record) {
  inRecord = record;
}
void setFakeOutRecord(Out_Module* record) {
  outRecord = record;
}
}
