// Writes the seed corpora of the fuzzers: small pictures of every kind the
// program reads, made here, and a few size-field texts.
//   fuzz_seeds OUTPUT_DIR

#include "VipsPictureLoader.h"

// libvips (glib) before Qt: glib uses "signals" as a name, Qt as a keyword.
#include <vips/vips8>

#include <QImage>
#include <filesystem>
#include <fstream>
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

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 || !tessaline::startVips(argv[0]))
        return 2;
    const fs::path root = argv[1];
    for (const char* dir : {"picture", "bmp", "size"})
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

    char size = 0;
    for (const auto& entry : fs::directory_iterator(tmp)) {
        const std::string name = entry.path().filename().string();
        withSize(entry.path(), root / "picture" / name, static_cast<char>(7 + size), static_cast<char>(30 - size));
        ++size;
        if (entry.path().extension() == ".bmp")
            fs::copy_file(entry.path(), root / "bmp" / name, fs::copy_options::overwrite_existing);
    }
    fs::remove_all(tmp);

    int n = 0;
    for (const char* text : {"300", "250px", "&H100", " 1 2 0", "abc", "-5", "1e3", "1D2", "&O17", "250.7",
                             "10000", "0.5", "+12", "&HFFFF"})
        writeText(root / "size" / ("seed" + std::to_string(n++)), text);
    return 0;
}
