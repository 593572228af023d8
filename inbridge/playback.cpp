// The playback calls, forwarded to the input plug-in.
#include "inbridge.h"
#include "xplug_state.h"

using inbridge::callPlugin;
using inbridge::state;
using inbridge::XPlugState;

namespace {

// The record while an input plug-in is loaded, else null.
In_Module* input() {
  return state().inLoaded ? state().inModule : nullptr;
}

}  // namespace

extern "C" int32_t INBRIDGE_API PlayX(const char* file) {
  XPlugState& s = state();
  if (!s.inLoaded || !s.outLoaded) return 1;
  char* argument = const_cast<char*>(file);
  if (inbridge::hasVersionFlag(*s.inModule, IN_UNICODE)) {
    // The path in UTF-16; one that does not fit is refused before any call.
    if (!file || MultiByteToWideChar(CP_ACP, 0, file, -1, s.widePath, inbridge::kTextBytes) == 0) {
      return 0;
    }
    argument = reinterpret_cast<char*>(s.widePath);
  }
  inbridge::stopPlaying(s);
  if (!s.inModule->Play || s.inModule->Play(argument) != 0) {
    s.playing = 0;
    return 0;
  }
  s.playing = 1;
  return 1;
}

extern "C" int32_t INBRIDGE_API PauseX() {
  XPlugState& s = state();
  In_Module* in = input();
  if (!in) return 0;
  callPlugin(s.paused ? in->UnPause : in->Pause);
  s.paused = !s.paused;
  return s.paused;
}

extern "C" void INBRIDGE_API StopX() {
  inbridge::stopPlaying(state());
}

extern "C" int32_t INBRIDGE_API GetXLength() {
  In_Module* in = input();
  return in ? callPlugin(in->GetLength) : 0;
}

extern "C" int32_t INBRIDGE_API GetXOutputTime() {
  In_Module* in = input();
  return in ? callPlugin(in->GetOutputTime) : 0;
}

extern "C" void INBRIDGE_API SetXOutputTime(int32_t ms) {
  if (In_Module* in = input()) callPlugin(in->SetOutputTime, static_cast<int>(ms));
}

extern "C" void INBRIDGE_API SetXVolume(int32_t volume) {
  if (In_Module* in = input()) callPlugin(in->SetVolume, static_cast<int>(volume));
}

extern "C" void INBRIDGE_API SetXPan(int32_t pan) {
  if (In_Module* in = input()) callPlugin(in->SetPan, static_cast<int>(pan));
}

extern "C" int32_t INBRIDGE_API GetXPlugCfg(int32_t value) {
  XPlugState& s = state();
  return s.inLoaded ? callPlugin(s.pfnGetConfig, static_cast<int>(value)) : 0;
}

extern "C" int32_t INBRIDGE_API SetXPlugCfg(int32_t value) {
  XPlugState& s = state();
  return s.inLoaded ? callPlugin(s.pfnSetConfig, static_cast<int>(value)) : 0;
}
