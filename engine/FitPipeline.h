#pragma once

// One source picture into one output picture: load it for the output size,
// centre it on its white square and scale the square to exactly `output`.

#include "Failure.h"
#include "Picture.h"
#include "PictureLoader.h"

#include <string>

namespace tessaline {

class FitPipeline {
public:
    explicit FitPipeline(PictureLoader& loader) : loader_(loader) {}

    // The squared rendering of the file at `path`, exactly output.width x output.height.
    Result<Picture> render(const std::string& path, Size output) const;

private:
    PictureLoader& loader_;
};

} // namespace tessaline
