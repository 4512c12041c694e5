#pragma once

// BitmapStore on files: 24-bit uncompressed Windows bitmaps, rows bottom-up and
// padded to four bytes, 72 dots per inch. Saving writes a whole file and renames
// it into place (AtomicFile.h), so a reader never meets half a bitmap; reading
// goes through the bitmap reader's header check (BmpReader.h), which refuses a
// file shorter than its header declares.

#include "Exporter.h"

#include <cstdint>
#include <vector>

namespace tessaline {

class WindowsBitmapStore final : public BitmapStore {
public:
    std::optional<Failure> save(const Picture& picture, const std::string& path) override;
    Result<Picture> load(const std::string& path) override;
};

// The bytes of the 24-bit bitmap file of a picture (which must not be empty).
std::vector<std::uint8_t> encodeWindowsBitmap(const Picture& picture);

} // namespace tessaline
