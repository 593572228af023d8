#include "message_watcher.h"

#include <cstdio>

#include "scenario_check.h"

MessageWatcher::MessageWatcher(std::vector<std::string> captions) : captions_(std::move(captions)) {
  InitializeCriticalSection(&lock_);
  thread_ = CreateThread(nullptr, 0, run, this, 0, nullptr);
}

MessageWatcher::~MessageWatcher() {
  InterlockedExchange(&stop_, 1);
  WaitForSingleObject(thread_, INFINITE);
  CloseHandle(thread_);
  DeleteCriticalSection(&lock_);
}

std::vector<SeenBox> MessageWatcher::take() {
  EnterCriticalSection(&lock_);
  std::vector<SeenBox> boxes;
  boxes.swap(seen_);
  LeaveCriticalSection(&lock_);
  return boxes;
}

void MessageWatcher::expectOne(const char* caption, const std::string& text, bool icon) {
  const std::vector<SeenBox> seen = take();
  if (!ok(seen.size() == 1, "%u boxes, not one saying %s", unsigned(seen.size()), text.c_str()))
    return;
  const SeenBox& b = seen[0];
  ok(b.caption == caption && b.text == text, "box %s: %s", b.caption.c_str(), b.text.c_str());
  ok(!b.owner && b.icon == icon && !b.cancel, "box with owner %p, icon %d, cancel %d",
     static_cast<void*>(b.owner), b.icon, b.cancel);
}

bool MessageWatcher::expectNone() {
  const std::vector<SeenBox> seen = take();
  for (const SeenBox& b : seen) std::printf("box %s: %s\n", b.caption.c_str(), b.text.c_str());
  return ok(seen.empty(), "%u boxes", unsigned(seen.size()));
}

DWORD WINAPI MessageWatcher::run(LPVOID param) {
  auto* self = static_cast<MessageWatcher*>(param);
  while (!self->stop_) {
    for (const std::string& caption : self->captions_) {
      HWND box = FindWindowA("#32770", caption.c_str());
      if (!box) continue;
      Sleep(100);  // the box fills itself in after its caption
      char text[1024] = {};
      GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
      const HWND owner = GetWindow(box, GW_OWNER);
      // The icon control of a message box is stc1 (0x440), empty without an icon.
      const bool icon = SendDlgItemMessageA(box, 0x440, STM_GETICON, 0, 0) != 0;
      const bool cancel = GetDlgItem(box, IDCANCEL) != nullptr;
      EnterCriticalSection(&self->lock_);
      self->seen_.push_back({caption, text, owner, icon, cancel});
      LeaveCriticalSection(&self->lock_);
      // Wait until this box is gone before looking again.
      PostMessageA(box, WM_COMMAND, IDOK, 0);
      for (int i = 0; i < 200 && IsWindow(box); ++i) Sleep(25);
    }
    Sleep(25);
  }
  return 0;
}
