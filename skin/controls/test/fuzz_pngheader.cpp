// Fuzz target of the PNG header reader.
#include "skin/controls/pngheader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (auto header = skin::ReadPngHeader(data, size))
        (void)header->HasAlpha();
    return 0;
}
