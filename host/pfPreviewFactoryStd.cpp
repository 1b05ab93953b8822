#include "host/pfPreviewFactory.h"

pfPreview* pfCreatePreview() { return new pfPreviewNone(); }
