// A fake "out_wave.dll" that logs its calls ("out.<name>"). Built with and
// without winampGetOutModule (FAKE_NO_ENTRY).
#include <string>

#include "fake_log.h"

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {

void note(const std::string& s) {
  fakeLog().push_back("out." + s);
}

void config(HWND) {
  note("Config");
}
void about(HWND) {
  note("About");
}
void init() {
  note("Init");
}
void quit() {
  note("Quit");
}
int open(int, int, int, int, int) {
  note("Open");
  return 0;
}
void close() {
  note("Close");
}
int write(char*, int) {
  note("Write");
  return 0;
}
int canWrite() {
  note("CanWrite");
  return 0;
}
int isPlaying() {
  note("IsPlaying");
  return 0;
}
int pause(int) {
  note("Pause");
  return 0;
}
void setVolume(int) {
  note("SetVolume");
}
void setPan(int) {
  note("SetPan");
}
void flush(int) {
  note("Flush");
}
int getOutputTime() {
  note("GetOutputTime");
  return 0;
}
int getWrittenTime() {
  note("GetWrittenTime");
  return 0;
}

char description[] = "fake output";

// What the host may write over is the record; original keeps the fake's own
// values to compare with.
const Out_Module original = {0x10,      description, 1,        nullptr,       nullptr,
                             config,    about,       init,     quit,          open,
                             close,     write,       canWrite, isPlaying,     pause,
                             setVolume, setPan,      flush,    getOutputTime, getWrittenTime};
Out_Module record = original;

}  // namespace

#ifndef FAKE_NO_ENTRY
EXPORT Out_Module* winampGetOutModule() {
  note("winampGetOutModule");
  setFakeOutRecord(&record);
  setFakeOutOriginal(&original);
  return fakeControl().outNullRecord ? nullptr : &record;
}
#endif
