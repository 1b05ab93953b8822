#include "tools/HostWindowWin32.h"

#include <windows.h>

intptr_t CreateHostWindow() {
  // A plain static window is enough: it only owns the dialog and never shows itself.
  HWND window =
      CreateWindowExW(0, L"STATIC", L"quenara", WS_OVERLAPPED, CW_USEDEFAULT, CW_USEDEFAULT, 100,
                      100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  return reinterpret_cast<intptr_t>(window);
}

void DestroyHostWindow(intptr_t window) {
  if (window != 0) DestroyWindow(reinterpret_cast<HWND>(window));
}
