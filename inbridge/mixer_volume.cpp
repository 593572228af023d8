// One read of the system mixer's wave-out volume.
#include <cstring>

#include "xplug_state.h"

namespace inbridge {

namespace {

HMIXEROBJ mixerZero() {
  return reinterpret_cast<HMIXEROBJ>(static_cast<std::uintptr_t>(0));
}

bool findMixerControl(DWORD componentType, DWORD controlType, DWORD& controlId) {
  if (mixerGetNumDevs() == 0) return false;
  MIXERLINEA line;
  std::memset(&line, 0, sizeof line);
  line.cbStruct = sizeof line;
  line.dwComponentType = componentType;
  if (mixerGetLineInfoA(mixerZero(), &line,
                        MIXER_OBJECTF_MIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) !=
      MMSYSERR_NOERROR) {
    return false;
  }
  MIXERCONTROLA control;
  std::memset(&control, 0, sizeof control);
  control.cbStruct = sizeof control;
  MIXERLINECONTROLSA controls;
  std::memset(&controls, 0, sizeof controls);
  controls.cbStruct = sizeof controls;
  controls.dwLineID = line.dwLineID;
  controls.dwControlType = controlType;
  controls.cControls = 1;
  controls.cbmxctrl = sizeof control;
  controls.pamxctrl = &control;
  if (mixerGetLineControlsA(mixerZero(), &controls,
                            MIXER_OBJECTF_MIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) !=
      MMSYSERR_NOERROR) {
    return false;
  }
  controlId = control.dwControlID;
  return true;
}

// A driver may report success without writing the values (Wine's does):
// values still holding the mark count as a failed read.
constexpr DWORD kUnwritten = 0xFFFFFFFFu;

bool getMixerControlValue(DWORD controlId, std::uint32_t& value) {
  MIXERCONTROLDETAILS_UNSIGNED values[2];
  values[0].dwValue = values[1].dwValue = kUnwritten;
  MIXERCONTROLDETAILS details;
  std::memset(&details, 0, sizeof details);
  details.cbStruct = sizeof details;
  details.dwControlID = controlId;
  details.cChannels = 2;
  details.cbDetails = sizeof values[0];
  details.paDetails = values;
  if (mixerGetControlDetailsA(mixerZero(), &details,
                              MIXER_OBJECTF_MIXER | MIXER_GETCONTROLDETAILSF_VALUE) !=
      MMSYSERR_NOERROR) {
    return false;
  }
  if (values[0].dwValue == kUnwritten) return false;
  value = values[0].dwValue;
  return true;
}

}  // namespace

bool readWaveOutVolume(std::uint32_t& value) {
  DWORD controlId = 0;
  return findMixerControl(MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, MIXERCONTROL_CONTROLTYPE_VOLUME,
                          controlId) &&
         getMixerControlValue(controlId, value);
}

}  // namespace inbridge
