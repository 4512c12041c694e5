#pragma once

// The export seams: the temporary Windows bitmap and the JPEG/GIF writer.
// Paths are the file system's bytes. Implementations never throw: a failure
// comes back as a Failure naming the file it concerns (the destination for a
// write, the bitmap for a read), with errno in `error` when a system call gave
// one; no value means success. A written file appears whole or not at all: a
// failed write leaves no partial file and no stray temporary one, and an
// earlier file at that path stays as it was.

#include "ExportSettings.h"
#include "Failure.h"
#include "Picture.h"

#include <optional>
#include <string>

namespace tessaline {

class BitmapStore {
public:
    virtual ~BitmapStore() = default;
    // Writes the picture as a 24-bit Windows bitmap at `path`, replacing any earlier one.
    virtual std::optional<Failure> save(const Picture& picture, const std::string& path) = 0;
    // Reads a bitmap back; a damaged file, or one shorter than its header says, is refused.
    virtual Result<Picture> load(const std::string& path) = 0;
};

class Exporter {
public:
    virtual ~Exporter() = default;
    // Reads the bitmap and writes it as a JPEG file with the quality text ("1" to "100").
    virtual std::optional<Failure> convertToJpeg(const std::string& bitmapPath,
                                                 const std::string& destinationPath,
                                                 const std::string& qualityText) = 0;
    // Reads the bitmap and writes it as a GIF file.
    virtual std::optional<Failure> convertToGif(const std::string& bitmapPath,
                                                const std::string& destinationPath) = 0;
    // Writes the picture straight away in the settings' format: the same bytes as
    // saving it as a bitmap and converting that. Safe to call from several threads
    // at once in the libvips implementation.
    virtual std::optional<Failure> writePicture(const Picture& picture,
                                                const std::string& destinationPath,
                                                const ExportSettings& settings) = 0;
};

} // namespace tessaline
