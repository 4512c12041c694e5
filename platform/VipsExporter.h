#pragma once

// Exporter on libvips. JPEG through libjpeg: quality 1 to 100, chroma 4:2:0
// below 90 and 4:4:4 from 90, optimised Huffman tables. GIF through cgif with a
// libimagequant palette and full Floyd-Steinberg dithering, so photos do not
// band, and with pure white kept exactly white, so the white bands stay flat.
// Both are sRGB with no metadata: no EXIF, no orientation, no colour profile.
// Files are encoded in memory and then written atomically (AtomicFile.h).
// libvips must be started first (startVips).

#include "AtomicFile.h"
#include "Exporter.h"

#include <cstdint>
#include <vector>

namespace tessaline {

class VipsExporter final : public Exporter {
public:
    // Reads the temporary bitmaps through `bitmaps`, which must outlive the exporter.
    // With FileSync::None the outputs are not flushed one by one; whoever writes
    // many files then flushes the destination once at the end (flushFileSystem).
    explicit VipsExporter(BitmapStore& bitmaps, FileSync sync = FileSync::ToDisk)
        : bitmaps_(bitmaps), sync_(sync)
    {
    }

    std::optional<Failure> convertToJpeg(const std::string& bitmapPath,
                                         const std::string& destinationPath,
                                         const std::string& qualityText) override;
    std::optional<Failure> convertToGif(const std::string& bitmapPath,
                                        const std::string& destinationPath) override;
    std::optional<Failure> writePicture(const Picture& picture, const std::string& destinationPath,
                                        const ExportSettings& settings) override;

private:
    BitmapStore& bitmaps_;
    FileSync sync_;
};

// The encoders, for callers that want the bytes; failures leave `file` empty.
Result<std::vector<std::uint8_t>> encodeJpeg(const Picture& picture, int quality);
Result<std::vector<std::uint8_t>> encodeGif(const Picture& picture);

} // namespace tessaline
