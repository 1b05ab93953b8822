#include "host/pfPreviewFactory.h"

// The Win32 dialog takes over here once it is part of the build.
pfPreview* pfCreatePreview() { return new pfPreviewNone(); }
