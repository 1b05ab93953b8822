#include <windows.h>

#include "base/pfPlatform.h"

uint32_t pfTickCount() { return GetTickCount(); }

void pfShowErrorMessage(const char* caption, const char* text) {
  MessageBoxA(nullptr, text, caption, MB_OK | MB_ICONERROR);
}

bool pfPumpMessages() {
  MSG msg;
  // Peek first so that an empty queue never blocks the render.
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
    const BOOL fetched = GetMessageA(&msg, nullptr, 0, 0);
    if (fetched == -1) continue;
    if (fetched == 0) {
      // WM_QUIT belongs to whoever runs the outer loop (the host): hand it back.
      PostQuitMessage(int(msg.wParam));
      return false;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return true;
}
