// The size fields' reading of whatever the user types.

#include "LeadingNumber.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const double value = tessaline::leadingNumber(text);
    const auto side = tessaline::outputSideFromText(text);
    if (side && (*side < 1 || *side > 10000))
        std::abort();
    if (side && std::isnan(value))
        std::abort();
    return 0;
}
