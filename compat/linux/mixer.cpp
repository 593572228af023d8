// The wave-out volume control of a fake mixer: absent unless a test installs
// one, and any of its calls can be made to fail.
#include "compat/win32.h"
#include "state.h"

using compat::state;

extern "C" UINT mixerGetNumDevs() {
  std::lock_guard<std::mutex> guard(state().lock);
  state().calls.mixerGetNumDevs++;
  return state().mixer.present && state().mixer.failingCall != 4 ? 1 : 0;
}

extern "C" MMRESULT mixerGetLineInfoA(HMIXEROBJ mixer, MIXERLINEA* line, DWORD flags) {
  std::lock_guard<std::mutex> guard(state().lock);
  compat::FakeMixer& m = state().mixer;
  state().calls.mixerGetLineInfo++;
  m.askedMixer = reinterpret_cast<std::uintptr_t>(mixer);
  if (!m.present || m.failingCall == 1 || !line || flags != MIXER_GETLINEINFOF_COMPONENTTYPE) {
    return MMSYSERR_ERROR;
  }
  m.askedComponentType = line->dwComponentType;
  if (line->dwComponentType != MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT) return MMSYSERR_ERROR;
  line->dwLineID = m.lineId;
  line->cChannels = 2;
  line->cControls = 1;
  return MMSYSERR_NOERROR;
}

extern "C" MMRESULT mixerGetLineControlsA(HMIXEROBJ mixer, MIXERLINECONTROLSA* controls,
                                          DWORD flags) {
  std::lock_guard<std::mutex> guard(state().lock);
  compat::FakeMixer& m = state().mixer;
  state().calls.mixerGetLineControls++;
  m.askedMixer = reinterpret_cast<std::uintptr_t>(mixer);
  if (!m.present || m.failingCall == 2 || !controls || flags != MIXER_GETLINECONTROLSF_ONEBYTYPE ||
      controls->dwLineID != m.lineId || !controls->pamxctrl || controls->cControls != 1) {
    return MMSYSERR_ERROR;
  }
  m.askedControlType = controls->dwControlType;
  if (controls->dwControlType != MIXERCONTROL_CONTROLTYPE_VOLUME) return MMSYSERR_ERROR;
  controls->pamxctrl->dwControlID = m.controlId;
  controls->pamxctrl->dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
  return MMSYSERR_NOERROR;
}

extern "C" MMRESULT mixerGetControlDetailsA(HMIXEROBJ mixer, MIXERCONTROLDETAILS* details,
                                            DWORD flags) {
  std::lock_guard<std::mutex> guard(state().lock);
  compat::FakeMixer& m = state().mixer;
  state().calls.mixerGetControlDetails++;
  m.askedMixer = reinterpret_cast<std::uintptr_t>(mixer);
  if (!m.present || m.failingCall == 3 || !details || flags != MIXER_GETCONTROLDETAILSF_VALUE ||
      !details->paDetails) {
    return MMSYSERR_ERROR;
  }
  m.askedControlId = details->dwControlID;
  m.askedChannels = details->cChannels;
  if (details->dwControlID != m.controlId ||
      details->cbDetails != sizeof(MIXERCONTROLDETAILS_UNSIGNED)) {
    return MMSYSERR_ERROR;
  }
  if (m.leavesValuesUnwritten) return MMSYSERR_NOERROR;
  auto* values = static_cast<MIXERCONTROLDETAILS_UNSIGNED*>(details->paDetails);
  values[0].dwValue = m.left;
  if (details->cChannels > 1) values[1].dwValue = m.right;
  return MMSYSERR_NOERROR;
}
