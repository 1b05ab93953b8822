// Creates the dialog-and-preview object of this platform: the Win32 dialog on Windows, a
// pfPreviewNone elsewhere. The caller owns the result.
#pragma once

#include "ui/pfPreview.h"

pfPreview* pfCreatePreview();
