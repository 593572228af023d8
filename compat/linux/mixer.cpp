// The stand-in has no mixer, as a machine without a sound card's: no device
// is reported, and every call on mixer 0 fails.
#include "compat/win32.h"

extern "C" UINT mixerGetNumDevs() {
  return 0;
}

extern "C" MMRESULT mixerGetLineInfoA(HMIXEROBJ, MIXERLINEA*, DWORD) {
  return MMSYSERR_BADDEVICEID;
}

extern "C" MMRESULT mixerGetLineControlsA(HMIXEROBJ, MIXERLINECONTROLSA*, DWORD) {
  return MMSYSERR_BADDEVICEID;
}

extern "C" MMRESULT mixerGetControlDetailsA(HMIXEROBJ, MIXERCONTROLDETAILS*, DWORD) {
  return MMSYSERR_BADDEVICEID;
}
