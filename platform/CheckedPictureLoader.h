#pragma once

// A PictureLoader in front of the decoder that refuses decompression bombs
// before any decoder sees the file: a GIF or JPEG whose header declares more
// pixels than its compressed data could possibly hold. LZW turns one bit into
// at most 4097/12 pixels; a Huffman-coded JPEG spends at least one bit on every
// 8x8 block of its full-resolution component (an arithmetic-coded one is
// allowed one bit for every 64 blocks). Pictures up to 4 megapixels cost too
// little to be worth the check. Bitmaps are checked by their own reader
// (BmpReader.h). A refused file is a failure naming it, with the declared size
// in its detail: TooLarge beyond the picture limits (Geometry.h), else Corrupt; anything that is
// not a regular file (a FIFO put in a picture's place) is refused without being opened for a
// blocking read.

#include "PictureLoader.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tessaline {

class CheckedPictureLoader final : public PictureLoader {
public:
    // `decoder` does the loading of every file that passes; it must outlive this loader.
    explicit CheckedPictureLoader(PictureLoader& decoder) : decoder_(decoder) {}

    Result<LoadedPicture> load(const std::string& path, Size output) override;

private:
    PictureLoader& decoder_;
};

// The check alone on an open file descriptor read from its start: the failure
// when the file's header declares more than its data can hold. Not a GIF or
// JPEG, or too short to tell, passes.
std::optional<Failure> checkDeclaredSize(int fd, const std::string& path);

} // namespace tessaline
