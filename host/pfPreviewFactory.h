// Creates the dialog-and-preview object of this platform: the Win32 dialog on Windows, a
// pfPreviewNone elsewhere.
#pragma once

#include <memory>

#include "ui/pfPreview.h"

std::unique_ptr<pfPreview> pfCreatePreview();
