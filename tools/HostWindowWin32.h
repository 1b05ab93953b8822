// The window that stands for the host's main window when `quenara --dialog` lets the plug-in
// show its dialog: the dialog is owned by it, as by a real host's window. It stays hidden.
#pragma once

#include <cstdint>

// The window handle as the record's platform data carries it; 0 when it cannot be created.
intptr_t CreateHostWindow();
void DestroyHostWindow(intptr_t window);
