// Loading and rendering any bytes as a picture file: the whole path a listed
// file takes to the preview. The output size comes from the first two bytes.

#include "CheckedPictureLoader.h"
#include "FitPipeline.h"
#include "FuzzVips.h"
#include "VipsPictureLoader.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const tessaline::Size output{1 + data[0] % 64, 1 + data[1] % 64};
    const std::string path = tessaline::fuzz::scratchFolder() + "/picture";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    std::fwrite(data + 2, 1, size - 2, f);
    std::fclose(f);

    tessaline::VipsPictureLoader decoder;
    tessaline::CheckedPictureLoader loader(decoder);
    tessaline::FitPipeline pipeline(loader);
    const auto rendered = pipeline.render(path, output);
    if (rendered && rendered.value().size() != output)
        std::abort(); // a rendering is always exactly the output size
    if (!rendered && rendered.failure().file != path)
        std::abort(); // a failure always names its file
    return 0;
}
