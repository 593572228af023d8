// Reads back and closes the message boxes that the DLLs show: a thread looks
// for dialog windows with the captions it knows, records caption and text,
// and presses OK.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct SeenBox {
  std::string caption;
  std::string text;
  HWND owner = nullptr;  // the window the box belongs to; none for an ownerless box
  bool icon = false;     // shows an icon
  bool cancel = false;   // has a Cancel button beside OK
};

class MessageWatcher {
 public:
  explicit MessageWatcher(std::vector<std::string> captions);
  ~MessageWatcher();
  // The boxes closed so far, and forgets them.
  std::vector<SeenBox> take();
  // Checks that they were one box with the caption and text, no owner, OK
  // alone, and an icon or none.
  void expectOne(const char* caption, const std::string& text, bool icon);
  // Checks that there were none.
  bool expectNone();

 private:
  static DWORD WINAPI run(LPVOID self);
  std::vector<std::string> captions_;
  std::vector<SeenBox> seen_;
  CRITICAL_SECTION lock_;
  HANDLE thread_ = nullptr;
  volatile LONG stop_ = 0;
};
