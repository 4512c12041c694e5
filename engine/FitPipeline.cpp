#include "FitPipeline.h"

#include "FitResampler.h"

namespace tessaline {

Result<Picture> FitPipeline::render(const std::string& path, Size output) const
{
    Result<LoadedPicture> loaded = loader_.load(path, output);
    if (!loaded)
        return loaded.failure();
    return renderSquared(loaded.value(), output);
}

} // namespace tessaline
