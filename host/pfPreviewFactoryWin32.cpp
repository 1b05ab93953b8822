#include "host/pfPreviewFactory.h"
#include "ui/pfPreviewWin32.h"

std::unique_ptr<pfPreview> pfCreatePreview() { return std::make_unique<pfPreviewWin32>(); }
