#include "host/pfPreviewFactory.h"

std::unique_ptr<pfPreview> pfCreatePreview() { return std::make_unique<pfPreviewNone>(); }
