// The export component reading a temporary bitmap of arbitrary bytes: the
// bitmap store's load, then the JPEG conversion into a scratch folder. The
// first byte picks the quality. Whatever the bytes, a conversion either writes
// one whole JPEG of the bitmap's size or fails naming a file and leaves the
// folder as it was.

#include "VipsExporter.h"
#include "FuzzVips.h"
#include "VipsPictureLoader.h"
#include "WindowsBitmapStore.h"

#include <cstdint>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int entries(const std::string& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        std::abort();
    int count = 0;
    while (const dirent* e = ::readdir(dir))
        count += e->d_name[0] != '.' || (e->d_name[1] != '\0' && e->d_name[1] != '.');
    ::closedir(dir);
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::string folder = tessaline::fuzz::scratchFolder() + "/export";
    ::mkdir(folder.c_str(), 0700);
    const std::string bitmap = folder + "/temp.bmp", output = folder + "/out.jpg";
    FILE* f = std::fopen(bitmap.c_str(), "wb");
    if (!f)
        std::abort();
    std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);
    ::unlink(output.c_str());

    tessaline::WindowsBitmapStore bitmaps;
    const tessaline::Result<tessaline::Picture> loaded = bitmaps.load(bitmap);
    if (loaded &&
        (loaded.value().empty() || loaded.value().rgb.size() != std::size_t(loaded.value().width) *
                                                                    loaded.value().height * 3))
        std::abort(); // a loaded bitmap is a whole picture
    if (!loaded && loaded.failure().file != bitmap)
        std::abort(); // a refused bitmap is named

    tessaline::VipsExporter exporter(bitmaps, tessaline::FileSync::None);
    const std::string quality = std::to_string(1 + data[0] % 100);
    const std::optional<tessaline::Failure> failure =
        exporter.convertToJpeg(bitmap, output, quality);
    struct stat st {};
    const bool written = ::stat(output.c_str(), &st) == 0;
    if (failure) {
        if (failure->file != bitmap && failure->file != output)
            std::abort(); // every failure names the file it concerns
        if (written || entries(folder) != 1)
            std::abort(); // nothing but the bitmap: no output, no stray temporary file
    } else if (!loaded || !written || st.st_size == 0 || entries(folder) != 2) {
        std::abort(); // a conversion succeeds exactly when the bitmap loads, with one whole file
    }
    return 0;
}
