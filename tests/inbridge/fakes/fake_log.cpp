#include "fake_log.h"

namespace {
In_Module* inRecord = nullptr;
Out_Module* outRecord = nullptr;
const In_Module* inOriginal = nullptr;
const Out_Module* outOriginal = nullptr;
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
const In_Module* fakeInOriginal() {
  return inOriginal;
}
const Out_Module* fakeOutOriginal() {
  return outOriginal;
}
void setFakeInOriginal(const In_Module* record) {
  inOriginal = record;
}
void setFakeOutOriginal(const Out_Module* record) {
  outOriginal = record;
}
}
