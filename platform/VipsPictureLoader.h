#pragma once

// PictureLoader on libvips: JPEG with DCT shrink-on-load, GIF (first frame),
// Windows bitmaps and whatever else libvips reads. EXIF orientation applied,
// embedded profiles and CMYK converted to sRGB, alpha flattened on white.
// Truncated or damaged data is a failure, never a partly grey picture. Sizes
// beyond the engine's limits are refused from the header, before decoding.

#include "PictureLoader.h"

namespace tessaline {

class VipsPictureLoader final : public PictureLoader {
public:
    Result<LoadedPicture> load(const std::string& path, Size output) override;
};

// Starts libvips once for the process; false when it cannot start.
bool startVips(const char* argv0);

} // namespace tessaline
