// Our in_wav plug-in on its own, the same natively and through the real
// in_wav.dll under Wine, with an output of the scenario's that takes at once
// whatever fits: hostile headers make Play fail at once or play safely, and
// every chunk setting plays to the end whatever the output can take.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "winamp/plugin.h"

// Puts the scenario's output and do-nothing visualisation and DSP into the
// plug-in's record, and starts it (Init).
void attachInWav(In_Module* in);

// Plays a file (written into dir, which ends in a path separator) until the
// output holds at least expected bytes (10 s at most; a decode thread may
// start late) and then has had nothing new for 100 ms, and stops: the result
// of Play, and with 0 the bytes that reached the output and the length the
// plug-in gave.
int playInWav(In_Module* in, const std::string& dir, const std::vector<std::uint8_t>& file,
              std::vector<std::uint8_t>& received, int* lengthMs = nullptr,
              std::size_t expected = 0);

// The table of hostile headers and chunk settings, on an attached plug-in.
void runInWavScenarios(In_Module* in, PluginConfigFn setConfig, const std::string& dir);
