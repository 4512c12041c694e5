// The bitmap header check against arbitrary bytes held in memory.

#include "BmpReader.h"
#include "Geometry.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto header = tessaline::checkBmp(data, size);
    if (header) {
        const auto& h = header.value();
        if (h.size.width <= 0 || h.size.height <= 0 || tessaline::exceedsPictureLimits(h.size))
            std::abort();
        if (h.dataOffset >= size)
            std::abort();
    }
    return 0;
}
