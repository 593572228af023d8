// The calls the spy takes over: each notes what it saw under the spy's lock,
// then hands the call on to the stand-in's own definition, found behind the
// spy (never under the lock: the stand-in's card calls back into the spy).
#include "win32_spy.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "compat/win32.h"
#include "ddraw_spy.h"

namespace spy {
namespace {

struct State {
  std::mutex lock;
  CallCounts calls;
  LastCalls last;
  FakeClock clock;
  Faults faults;
  std::vector<MessageBoxRecord> boxes;
  bool captureBoxes = false;
  FakeMixer mixer;
  void* focus = nullptr;
  WaveOutRecord card;
};

// Never destroyed: the card's thread may still play while the program ends.
State& state() {
  static State* s = new State;
  return *s;
}

using Guard = std::lock_guard<std::mutex>;

void count(int CallCounts::*call) {
  Guard guard(state().lock);
  state().calls.*call += 1;
}

void heard(const std::uint8_t* bytes, std::size_t n) {
  Guard guard(state().lock);
  state().card.played.insert(state().card.played.end(), bytes, bytes + n);
}

MMRESULT noted(MMRESULT result, const std::string& call) {
  if (result == MMSYSERR_NOERROR) {
    Guard guard(state().lock);
    state().card.calls.push_back(call);
  }
  return result;
}

// The fake mixer's answer, under the lock, once the mixer asked for is
// noted; the stand-in's while the fake is not present.
template <class StandIn, class Answer>
MMRESULT fakeMixer(HMIXEROBJ mixer, StandIn standIn, Answer answer) {
  {
    Guard guard(state().lock);
    FakeMixer& m = state().mixer;
    if (m.present) {
      m.askedMixer = reinterpret_cast<std::uintptr_t>(mixer);
      return answer(m);
    }
  }
  return standIn();
}

// The spy works only if the dynamic linker binds the Win32 names to it and
// not to the stand-in: its library must come first on the link line.
__attribute__((constructor)) void start() {
  Dl_info spy, bound;
  if (!dladdr(reinterpret_cast<void*>(&reset), &spy) ||
      !dladdr(dlsym(RTLD_DEFAULT, "CreateFileA"), &bound) || spy.dli_fbase != bound.dli_fbase) {
    std::fprintf(stderr, "libwin32spy is not in front of the stand-in: link it first\n");
    std::abort();
  }
  compat::listenToWaveOut(heard);
}

}  // namespace

void* standIn(const char* name) {
  void* fn = dlsym(RTLD_NEXT, name);
  if (!fn) {
    std::fprintf(stderr, "libwin32spy: the stand-in has no %s\n", name);
    std::abort();
  }
  return fn;
}

CallCounts& calls() {
  return state().calls;
}
LastCalls& lastCalls() {
  return state().last;
}
FakeClock& clock() {
  return state().clock;
}
Faults& faults() {
  return state().faults;
}
std::vector<MessageBoxRecord>& messageBoxes() {
  return state().boxes;
}
void captureMessageBoxes(bool on) {
  Guard guard(state().lock);
  state().captureBoxes = on;
}
FakeMixer& mixer() {
  return state().mixer;
}
void setFocusWindow(void* window) {
  Guard guard(state().lock);
  state().focus = window;
}

WaveOutRecord waveOutRecord() {
  WaveOutRecord copy;
  {
    Guard guard(state().lock);
    copy = state().card;
  }
  copy.openDevices = compat::openWaveOutCount();
  return copy;
}

void resetWaveOut() {
  compat::resetWaveOut();
  Guard guard(state().lock);
  state().card = WaveOutRecord{};
}

void reset() {
  resetWaveOut();
  ddraw() = DirectDrawSpy{};
  Guard guard(state().lock);
  State& s = state();
  s.calls = CallCounts{};
  s.last = LastCalls{};
  s.clock = FakeClock{};
  s.faults = Faults{};
  s.boxes.clear();
  s.mixer = FakeMixer{};
  s.focus = nullptr;
}

}  // namespace spy

using spy::Guard;
using spy::state;

extern "C" {

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, void* security, DWORD creation,
                   DWORD flags, HANDLE templateFile) {
  STAND_IN(CreateFileA);
  {
    Guard guard(state().lock);
    auto& list = state().last.createFile;
    if (list.size() == 16) list.erase(list.begin());
    list.push_back({name ? name : "", access, share, creation, flags});
  }
  return standIn(name, access, share, security, creation, flags, templateFile);
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD count, LPDWORD done, void* overlapped) {
  STAND_IN(ReadFile);
  spy::count(&spy::CallCounts::readFile);
  return standIn(file, buffer, count, done, overlapped);
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD done, void* overlapped) {
  STAND_IN(WriteFile);
  DWORD allowed = count;
  {
    Guard guard(state().lock);
    state().calls.writeFile++;
    const std::int64_t budget = state().faults.writeBudget;
    if (budget >= 0 && static_cast<std::int64_t>(count) > budget)
      allowed = static_cast<DWORD>(budget);
  }
  DWORD written = 0;
  const BOOL ok = standIn(file, buffer, allowed, &written, overlapped);
  if (done) *done = written;
  Guard guard(state().lock);
  if (state().faults.writeBudget >= 0) state().faults.writeBudget -= written;
  return ok && written == count ? TRUE : FALSE;
}

BOOL MoveFileExA(LPCSTR existing, LPCSTR target, DWORD flags) {
  STAND_IN(MoveFileExA);
  spy::count(&spy::CallCounts::moveFile);
  return standIn(existing, target, flags);
}

HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes) {
  STAND_IN(GlobalAlloc);
  {
    Guard guard(state().lock);
    spy::Faults& faults = state().faults;
    state().calls.globalAlloc++;
    state().last.globalAllocFlags = flags;
    if (faults.failAllocCall > 0 && --faults.failAllocCall == 0) return nullptr;
    if (faults.allocLimit != 0 && bytes > faults.allocLimit) return nullptr;
  }
  return standIn(flags, bytes);
}

// A refusal is told by the last error the stand-in sets, as on Windows.
LPVOID GlobalLock(HGLOBAL block) {
  STAND_IN(GlobalLock);
  SetLastError(NO_ERROR);
  LPVOID data = standIn(block);
  if (GetLastError() != NO_ERROR) spy::count(&spy::CallCounts::refusedGlobal);
  return data;
}

BOOL GlobalUnlock(HGLOBAL block) {
  STAND_IN(GlobalUnlock);
  spy::count(&spy::CallCounts::globalUnlock);
  SetLastError(NO_ERROR);
  const BOOL locked = standIn(block);
  if (GetLastError() != NO_ERROR) spy::count(&spy::CallCounts::refusedGlobal);
  return locked;
}

HGLOBAL GlobalFree(HGLOBAL block) {
  STAND_IN(GlobalFree);
  spy::count(&spy::CallCounts::globalFree);
  SetLastError(NO_ERROR);
  HGLOBAL left = standIn(block);
  if (GetLastError() != NO_ERROR) spy::count(&spy::CallCounts::refusedGlobal);
  return left;
}

LPVOID VirtualAlloc(LPVOID address, std::size_t bytes, DWORD type, DWORD protect) {
  STAND_IN(VirtualAlloc);
  {
    Guard guard(state().lock);
    state().calls.virtualAlloc++;
    if (state().faults.failVirtualAlloc) return nullptr;
  }
  return standIn(address, bytes, type, protect);
}

HMODULE LoadLibraryA(LPCSTR name) {
  STAND_IN(LoadLibraryA);
  spy::count(&spy::CallCounts::loadLibrary);
  return standIn(name);
}

BOOL FreeLibrary(HMODULE module) {
  STAND_IN(FreeLibrary);
  spy::count(&spy::CallCounts::freeLibrary);
  return standIn(module);
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  STAND_IN(MessageBoxA);
  {
    Guard guard(state().lock);
    if (state().captureBoxes) {
      state().boxes.push_back({owner, text ? text : "", caption ? caption : "Error", type});
      return IDOK;
    }
  }
  return standIn(owner, text, caption, type);
}

HWND GetFocus() {
  Guard guard(state().lock);
  return state().focus;
}

DWORD GetTickCount() {
  STAND_IN(GetTickCount);
  {
    Guard guard(state().lock);
    if (state().clock.virtualTime) return state().clock.now;
  }
  return standIn();
}

void Sleep(DWORD ms) {
  STAND_IN(Sleep);
  {
    Guard guard(state().lock);
    if (state().clock.virtualTime) {
      state().clock.now += ms;
      return;
    }
  }
  standIn(ms);
}

UINT mixerGetNumDevs() {
  STAND_IN(mixerGetNumDevs);
  {
    Guard guard(state().lock);
    const spy::FakeMixer& m = state().mixer;
    if (m.present) return m.fault == spy::MixerFault::NoDevice ? 0 : 1;
  }
  return standIn();
}

MMRESULT mixerGetLineInfoA(HMIXEROBJ mixer, MIXERLINEA* line, DWORD flags) {
  STAND_IN(mixerGetLineInfoA);
  return spy::fakeMixer(
      mixer, [&] { return standIn(mixer, line, flags); },
      [&](spy::FakeMixer& m) {
        if (m.fault == spy::MixerFault::LineInfo || !line ||
            flags != MIXER_GETLINEINFOF_COMPONENTTYPE) {
          return MMSYSERR_ERROR;
        }
        m.askedComponentType = line->dwComponentType;
        if (line->dwComponentType != MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT) return MMSYSERR_ERROR;
        line->dwLineID = m.lineId;
        line->cChannels = 2;
        line->cControls = 1;
        return MMSYSERR_NOERROR;
      });
}

MMRESULT mixerGetLineControlsA(HMIXEROBJ mixer, MIXERLINECONTROLSA* controls, DWORD flags) {
  STAND_IN(mixerGetLineControlsA);
  return spy::fakeMixer(
      mixer, [&] { return standIn(mixer, controls, flags); },
      [&](spy::FakeMixer& m) {
        if (m.fault == spy::MixerFault::LineControls || !controls ||
            flags != MIXER_GETLINECONTROLSF_ONEBYTYPE || controls->dwLineID != m.lineId ||
            !controls->pamxctrl || controls->cControls != 1) {
          return MMSYSERR_ERROR;
        }
        m.askedControlType = controls->dwControlType;
        if (controls->dwControlType != MIXERCONTROL_CONTROLTYPE_VOLUME) return MMSYSERR_ERROR;
        controls->pamxctrl->dwControlID = m.controlId;
        controls->pamxctrl->dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
        return MMSYSERR_NOERROR;
      });
}

MMRESULT mixerGetControlDetailsA(HMIXEROBJ mixer, MIXERCONTROLDETAILS* details, DWORD flags) {
  STAND_IN(mixerGetControlDetailsA);
  return spy::fakeMixer(
      mixer, [&] { return standIn(mixer, details, flags); },
      [&](spy::FakeMixer& m) {
        if (m.fault == spy::MixerFault::ControlDetails || !details ||
            flags != MIXER_GETCONTROLDETAILSF_VALUE || !details->paDetails) {
          return MMSYSERR_ERROR;
        }
        m.askedControlId = details->dwControlID;
        m.askedChannels = details->cChannels;
        if (details->dwControlID != m.controlId ||
            details->cbDetails != sizeof(MIXERCONTROLDETAILS_UNSIGNED)) {
          return MMSYSERR_ERROR;
        }
        if (m.fault == spy::MixerFault::ValuesUnwritten) return MMSYSERR_NOERROR;
        auto* values = static_cast<MIXERCONTROLDETAILS_UNSIGNED*>(details->paDetails);
        values[0].dwValue = m.left;
        if (details->cChannels > 1) values[1].dwValue = m.right;
        return MMSYSERR_NOERROR;
      });
}

MMRESULT waveOutOpen(HWAVEOUT* device, UINT id, const WAVEFORMATEX* format, DWORD_PTR callback,
                     DWORD_PTR instance, DWORD flags) {
  STAND_IN(waveOutOpen);
  const MMRESULT result = standIn(device, id, format, callback, instance, flags);
  if (result != MMSYSERR_NOERROR) return result;
  return spy::noted(result, "Open " + std::to_string(format->nSamplesPerSec) + " " +
                                std::to_string(format->nChannels) + " " +
                                std::to_string(format->wBitsPerSample));
}

MMRESULT waveOutClose(HWAVEOUT device) {
  STAND_IN(waveOutClose);
  return spy::noted(standIn(device), "Close");
}

MMRESULT waveOutPause(HWAVEOUT device) {
  STAND_IN(waveOutPause);
  return spy::noted(standIn(device), "Pause");
}

MMRESULT waveOutRestart(HWAVEOUT device) {
  STAND_IN(waveOutRestart);
  return spy::noted(standIn(device), "Restart");
}

MMRESULT waveOutReset(HWAVEOUT device) {
  STAND_IN(waveOutReset);
  return spy::noted(standIn(device), "Reset");
}

MMRESULT waveOutSetVolume(HWAVEOUT device, DWORD volume) {
  STAND_IN(waveOutSetVolume);
  char text[32];
  std::snprintf(text, sizeof text, "SetVolume %08X", static_cast<unsigned>(volume));
  return spy::noted(standIn(device, volume), text);
}

}  // extern "C"
