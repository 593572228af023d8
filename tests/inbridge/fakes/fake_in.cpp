// A fake input plug-in that logs every call ("in.<name> <args>") and answers
// as fakeControl() says. Built three ways: full, without the configuration
// exports (FAKE_NO_CONFIG) and without winampGetInModule2 (FAKE_NO_ENTRY).
#include <string>

#include "fake_log.h"

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {

void note(const std::string& s) {
  fakeLog().push_back("in." + s);
}

void config(HWND) {
  note("Config");
}
void about(HWND) {
  note("About");
}
int init() {
  note("Init");
  return fakeControl().initResult;
}
void quit() {
  note("Quit");
}
void getFileInfo(char*, char*, int*) {
  note("GetFileInfo");
}
int infoBox(char*, HWND) {
  note("InfoBox");
  return 0;
}
int isOurFile(char*) {
  note("IsOurFile");
  return 0;
}
// A UTF-16 path is logged in UTF-8 (code points below 0x800 are enough here).
std::string narrow(const char16_t* wide) {
  std::string out;
  for (; *wide; ++wide) {
    const char16_t c = *wide;
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

int play(char* file) {
  if (!file) {
    note("Play (null)");
  } else if (fakeControl().versionFlags & IN_UNICODE) {
    note("Play wide " + narrow(reinterpret_cast<const char16_t*>(file)));
  } else {
    note(std::string("Play ") + file);
  }
  return fakeControl().playResult;
}
void pause() {
  note("Pause");
}
void unPause() {
  note("UnPause");
}
int isPaused() {
  note("IsPaused");
  return 0;
}
void stop() {
  note("Stop");
}
int getLength() {
  note("GetLength");
  return fakeControl().length;
}
int getOutputTime() {
  note("GetOutputTime");
  return fakeControl().outputTime;
}
void setOutputTime(int ms) {
  note("SetOutputTime " + std::to_string(ms));
}
void setVolume(int v) {
  note("SetVolume " + std::to_string(v));
}
void setPan(int p) {
  note("SetPan " + std::to_string(p));
}
void eqSet(int, char*, int) {
  note("EQSet");
}

char description[] = "fake input";
char extensions[] = "FAK\0Fake files (*.FAK)\0";

// What the host may write over is the record; original keeps the fake's own
// values to compare with (the version as the test asks for it).
In_Module original = {0x100,
                      description,
                      nullptr,
                      nullptr,
                      extensions,
                      1,
                      1,
                      config,
                      about,
                      reinterpret_cast<void (*)()>(init),
                      quit,
                      getFileInfo,
                      infoBox,
                      isOurFile,
                      play,
                      pause,
                      unPause,
                      isPaused,
                      stop,
                      getLength,
                      getOutputTime,
                      setOutputTime,
                      setVolume,
                      setPan,
                      nullptr,
                      nullptr,
                      nullptr,
                      nullptr,
                      nullptr,
                      nullptr,
                      nullptr,
                      nullptr,
                      nullptr,
                      nullptr,
                      nullptr,
                      eqSet,
                      nullptr,
                      nullptr};
In_Module record = original;

}  // namespace

#ifndef FAKE_NO_ENTRY
EXPORT In_Module* winampGetInModule2() {
  note("winampGetInModule2");
  original.version = record.version = static_cast<int>(0x100 | fakeControl().versionFlags);
  setFakeInRecord(&record);
  setFakeInOriginal(&original);
  return fakeControl().inNullRecord ? nullptr : &record;
}
#endif

#ifndef FAKE_NO_CONFIG
EXPORT int GetConfig(int v) {
  note("GetConfig " + std::to_string(v));
  return fakeControl().getConfigResult;
}
EXPORT int SetConfig(int v) {
  note("SetConfig " + std::to_string(v));
  return fakeControl().setConfigResult;
}
#endif
