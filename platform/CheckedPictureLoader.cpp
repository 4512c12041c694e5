#include "CheckedPictureLoader.h"

#include "Geometry.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessaline {
namespace {

constexpr long long checkedAbove = 4'000'000; // pixels

// Reads a file front to back through a buffer; a read error counts as its end.
class FileBytes {
public:
    explicit FileBytes(int fd) : fd_(fd) {}

    // The next byte, or -1 at the end.
    int next()
    {
        if (pos_ == end_ && !fill())
            return -1;
        return buffer_[pos_++];
    }
    bool read(std::uint8_t* out, std::size_t count)
    {
        for (std::size_t i = 0; i < count; ++i) {
            const int b = next();
            if (b < 0)
                return false;
            out[i] = static_cast<std::uint8_t>(b);
        }
        return true;
    }
    bool skip(std::size_t count)
    {
        while (count > 0) {
            if (pos_ == end_ && !fill())
                return false;
            const std::size_t step = std::min(count, end_ - pos_);
            pos_ += step;
            count -= step;
        }
        return true;
    }

private:
    bool fill()
    {
        ssize_t got;
        do
            got = ::read(fd_, buffer_.data(), buffer_.size());
        while (got < 0 && errno == EINTR);
        pos_ = 0;
        end_ = got > 0 ? static_cast<std::size_t>(got) : 0;
        return end_ > 0;
    }

    int fd_;
    std::array<std::uint8_t, 65536> buffer_{};
    std::size_t pos_ = 0, end_ = 0;
};

unsigned le16(const std::uint8_t* p)
{
    return p[0] | p[1] << 8;
}
unsigned be16(const std::uint8_t* p)
{
    return p[0] << 8 | p[1];
}

struct Declared {
    long long width = 0, height = 0;
    long long pixels() const { return width * height; }
};

// Beyond the picture limits it is too large, whatever the data; below, a bomb.
Failure bomb(const std::string& path, Declared size)
{
    const std::string declared = std::to_string(size.width) + " x " + std::to_string(size.height);
    if (size.width > maxPictureSide || size.height > maxPictureSide ||
        size.pixels() > maxPicturePixels)
        return Failure{path, FailureKind::TooLarge, declared};
    return Failure{path, FailureKind::Corrupt,
                   "declares " + declared + " pixels, more than its data can hold"};
}

// The GIF's sub-blocks: their total length, or nothing when the file ends inside them.
std::optional<long long> subBlocks(FileBytes& in)
{
    long long total = 0;
    for (;;) {
        const int size = in.next();
        if (size < 0 || !in.skip(static_cast<std::size_t>(size)))
            return std::nullopt;
        if (size == 0)
            return total;
        total += size;
    }
}

std::optional<Failure> checkGif(FileBytes& in, const std::uint8_t* head, const std::string& path)
{
    // The canvas is the logical screen, grown to hold every frame.
    Declared canvas{le16(head + 6), le16(head + 8)};
    if ((head[10] & 0x80) && !in.skip(3u << ((head[10] & 7) + 1)))
        return std::nullopt; // too short to say: the decoder reports it
    long long lzwBytes = 0;
    for (int block = in.next(); block >= 0 && block != 0x3B; block = in.next()) {
        if (block == 0x21) { // extension: label, then sub-blocks
            if (in.next() < 0 || !subBlocks(in))
                break;
        } else if (block == 0x2C) { // image descriptor
            std::uint8_t d[9];
            if (!in.read(d, sizeof d))
                break;
            canvas.width = std::max<long long>(canvas.width, le16(d) + le16(d + 4));
            canvas.height = std::max<long long>(canvas.height, le16(d + 2) + le16(d + 6));
            if ((d[8] & 0x80) && !in.skip(3u << ((d[8] & 7) + 1)))
                break;
            if (in.next() < 0) // the LZW minimum code size
                break;
            const std::optional<long long> data = subBlocks(in);
            if (!data)
                break;
            lzwBytes += *data;
        } else {
            break; // not a GIF block: the decoder says what is wrong
        }
    }
    // A code of b bits stands for at most 2^b + 1 pixels, and b is at most 12.
    const long long most = lzwBytes * 8 * 4097 / 12 + 4097;
    if (canvas.pixels() > checkedAbove && canvas.pixels() > most)
        return bomb(path, canvas);
    return std::nullopt;
}

bool isFrameHeader(int marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

std::optional<Failure> checkJpeg(FileBytes& in, const std::string& path)
{
    Declared size;
    long long neededBits = 0;
    long long entropyBytes = 0;
    int marker = -1; // a marker already read by the entropy scan
    for (;;) {
        if (marker < 0) {
            if (in.next() != 0xFF)
                break;
            do
                marker = in.next();
            while (marker == 0xFF);
            if (marker < 0)
                break;
        }
        const int current = marker;
        marker = -1;
        if (current == 0xD9) // end of picture
            break;
        if ((current >= 0xD0 && current <= 0xD7) || current == 0x01 || current == 0xD8)
            continue; // markers without a segment
        std::uint8_t length[2];
        if (!in.read(length, 2) || be16(length) < 2)
            break;
        std::size_t rest = be16(length) - 2;
        if (isFrameHeader(current) && neededBits == 0 && rest >= 5) {
            std::uint8_t frame[5];
            if (!in.read(frame, sizeof frame))
                break;
            rest -= sizeof frame;
            size = {be16(frame + 3), be16(frame + 1)};
            const long long blocks = (size.width + 7) / 8 * ((size.height + 7) / 8);
            const bool arithmetic = current >= 0xC9;
            neededBits = arithmetic ? (blocks + 63) / 64 : blocks;
        }
        if (!in.skip(rest))
            break;
        if (current != 0xDA)
            continue;
        // Entropy-coded data runs to the next marker other than a stuffed 0xFF00 or a restart.
        for (int b = in.next(); b >= 0; b = in.next()) {
            if (b != 0xFF) {
                ++entropyBytes;
                continue;
            }
            int next = in.next();
            while (next == 0xFF)
                next = in.next();
            if (next < 0)
                break;
            if (next == 0x00 || (next >= 0xD0 && next <= 0xD7)) {
                entropyBytes += 2;
                continue;
            }
            marker = next;
            break;
        }
        if (entropyBytes * 8 >= neededBits)
            return std::nullopt; // enough data seen: no need to read on
        if (marker < 0)
            break;
    }
    if (size.pixels() > checkedAbove && entropyBytes * 8 < neededBits)
        return bomb(path, size);
    return std::nullopt;
}

} // namespace

std::optional<Failure> checkDeclaredSize(int fd, const std::string& path)
{
    FileBytes in(fd);
    std::uint8_t head[13];
    if (!in.read(head, 2))
        return std::nullopt;
    if (head[0] == 0xFF && head[1] == 0xD8)
        return checkJpeg(in, path);
    if (head[0] == 'G' && head[1] == 'I' && in.read(head + 2, sizeof head - 2) && head[2] == 'F')
        return checkGif(in, head, path);
    return std::nullopt;
}

Result<LoadedPicture> CheckedPictureLoader::load(const std::string& path, Size output)
{
    // O_NONBLOCK: a FIFO put where a picture was listed must not hang the run.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        struct stat st {};
        std::optional<Failure> refused;
        if (::fstat(fd, &st) == 0 && !S_ISREG(st.st_mode))
            refused = Failure{path, FailureKind::NotAPicture, "not a regular file"};
        else
            refused = checkDeclaredSize(fd, path);
        ::close(fd);
        if (refused)
            return *refused;
    }
    return decoder_.load(path, output); // also for a file that cannot be opened: it says why
}

} // namespace tessaline
