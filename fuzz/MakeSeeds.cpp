// Writes the seed corpora of the fuzzers: small pictures of every kind the
// program reads, made here, and a few size-field texts.
//   fuzz_seeds OUTPUT_DIR

#include "VipsPictureLoader.h"
#include "WindowsBitmapStore.h"

// libvips (glib) before Qt: glib uses "signals" as a name, Qt as a keyword.
#include <vips/vips8>

#include <QImage>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;
using vips::VImage;

namespace {

void writeText(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// Prefix two bytes: the output size the picture fuzzer renders to.
void withSize(const fs::path& from, const fs::path& to, char w, char h)
{
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary);
    out.put(w).put(h) << in.rdbuf();
}

// A 4 x 2 run-length bitmap (8 or 4 bits): a run, an absolute run, a delta, the end.
std::vector<std::uint8_t> rleBitmap(int bits)
{
    const std::vector<std::uint8_t> data = bits == 8
        ? std::vector<std::uint8_t>{4, 1, 0, 0, 0, 3, 0, 1, 1, 0, 0, 2, 1, 0, 0, 1}
        : std::vector<std::uint8_t>{4, 0x12, 0, 0, 0, 3, 0x10, 0x10, 0, 2, 1, 0, 0, 1};
    const std::vector<std::uint8_t> palette{0, 0, 255, 0, 255, 0, 0, 0, 0, 255, 0, 0};
    std::vector<std::uint8_t> bytes(54, 0);
    const auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, static_cast<std::uint32_t>(54 + palette.size() + data.size()));
    put32(10, static_cast<std::uint32_t>(54 + palette.size()));
    put32(14, 40);
    put32(18, 4);
    put32(22, 2);
    bytes[26] = 1;
    bytes[28] = static_cast<std::uint8_t>(bits);
    put32(30, bits == 8 ? 1 : 2);
    put32(46, 3);
    bytes.insert(bytes.end(), palette.begin(), palette.end());
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

void writeBytes(const fs::path& path, std::uint8_t first, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.put(static_cast<char>(first));
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 || !tessaline::startVips(argv[0]))
        return 2;
    const fs::path root = argv[1];
    for (const char* dir : {"picture", "bmp", "size", "export"})
        fs::create_directories(root / dir);

    VImage xy = VImage::xyz(24, 16);
    VImage photo = VImage::bandjoin({xy.extract_band(0) * 10, xy.extract_band(1) * 15, xy.extract_band(0) * 5})
                       .cast(VIPS_FORMAT_UCHAR)
                       .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
    const fs::path tmp = root / "raw";
    fs::create_directories(tmp);
    photo.jpegsave((tmp / "base.jpg").c_str());
    photo.jpegsave((tmp / "prog.jpg").c_str(), VImage::option()->set("interlace", true));
    photo.colourspace(VIPS_INTERPRETATION_B_W).jpegsave((tmp / "grey.jpg").c_str());
    VImage oriented = photo.copy();
    oriented.set(VIPS_META_ORIENTATION, 6);
    oriented.jpegsave((tmp / "exif.jpg").c_str());
    photo.gifsave((tmp / "pic.gif").c_str());

    const QImage image(reinterpret_cast<const uchar*>(photo.write_to_memory(nullptr)), 24, 16, 24 * 3,
                       QImage::Format_RGB888);
    image.save(QString::fromStdString((tmp / "rgb24.bmp").string()), "BMP");
    image.convertToFormat(QImage::Format_Indexed8).save(QString::fromStdString((tmp / "pal8.bmp").string()), "BMP");
    image.convertToFormat(QImage::Format_Mono).save(QString::fromStdString((tmp / "mono.bmp").string()), "BMP");
    image.convertToFormat(QImage::Format_ARGB32).save(QString::fromStdString((tmp / "argb.bmp").string()), "BMP");

    for (int bits : {8, 4}) {
        const std::vector<std::uint8_t> rle = rleBitmap(bits);
        std::ofstream(tmp / ("rle" + std::to_string(bits) + ".bmp"), std::ios::binary)
            .write(reinterpret_cast<const char*>(rle.data()), static_cast<std::streamsize>(rle.size()));
    }

    // The export component's input: the bitmap store's own files, and the others,
    // after a byte that picks the JPEG quality.
    tessaline::Picture square(20, 20);
    for (int y = 4; y < 16; ++y)
        for (int x = 0; x < 20; ++x) {
            std::uint8_t* p = square.row(y) + 3 * x;
            p[0] = static_cast<std::uint8_t>(12 * x);
            p[1] = static_cast<std::uint8_t>(20 * y);
            p[2] = 90;
        }
    writeBytes(root / "export" / "store.bmp", 74, tessaline::encodeWindowsBitmap(square));
    writeBytes(root / "export" / "store-odd.bmp", 95, tessaline::encodeWindowsBitmap(tessaline::Picture(3, 5, 40)));

    char size = 0;
    for (const auto& entry : fs::directory_iterator(tmp)) {
        const std::string name = entry.path().filename().string();
        withSize(entry.path(), root / "picture" / name, static_cast<char>(7 + size), static_cast<char>(30 - size));
        ++size;
        if (entry.path().extension() == ".bmp") {
            fs::copy_file(entry.path(), root / "bmp" / name, fs::copy_options::overwrite_existing);
            std::ifstream in(entry.path(), std::ios::binary);
            const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
            writeBytes(root / "export" / name, static_cast<std::uint8_t>(60 + size), bytes);
        }
    }
    fs::remove_all(tmp);

    int n = 0;
    for (const char* text : {"300", "250px", "&H100", " 1 2 0", "abc", "-5", "1e3", "1D2", "&O17", "250.7",
                             "10000", "0.5", "+12", "&HFFFF"})
        writeText(root / "size" / ("seed" + std::to_string(n++)), text);
    return 0;
}
