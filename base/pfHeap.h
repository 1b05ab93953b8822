// Heap blocks for the images and tables the plug-in allocates itself (when the host offers no
// buffer suite) and for the reference host's buffer suite. Blocks of image size are placed so
// that Linux can back them with huge pages: a 24-megapixel render touches several hundred
// megabytes of fresh memory, and faulting that in 4 KB at a time costs more than the render.
#pragma once

#include <cstddef>

void* pfHeapAllocate(size_t size);
void pfHeapFree(void* block);
