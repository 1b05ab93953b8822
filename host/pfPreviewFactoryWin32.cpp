#include "host/pfPreviewFactory.h"
#include "ui/pfPreviewWin32.h"

pfPreview* pfCreatePreview() { return new pfPreviewWin32(); }
