#include "VipsExporter.h"

#include "ExportFixtures.h"
#include "WindowsBitmapStore.h"

#include <gtest/gtest.h>
#include <vips/vips8>

namespace tessaline {
namespace {

using vips::VImage;
using Names = std::vector<std::string>;

Picture decoded(const VImage& file)
{
    const VImage image =
        file.bands() > 3 ? file.extract_band(0, VImage::option()->set("n", 3)) : file;
    Picture p(image.width(), image.height());
    std::size_t length = 0;
    void* memory = image.write_to_memory(&length);
    std::memcpy(p.rgb.data(), memory, std::min(length, p.rgb.size()));
    g_free(memory);
    return p;
}

class VipsExporterTest : public testing::Test {
protected:
    // The window's road: the picture saved as the temporary bitmap, then converted.
    VImage convert(const Picture& picture, const std::string& name, const char* quality = nullptr)
    {
        EXPECT_FALSE(bitmaps.save(picture, dir / "temp.bmp"));
        const auto failure = quality ? exporter.convertToJpeg(dir / "temp.bmp", dir / name, quality)
                                     : exporter.convertToGif(dir / "temp.bmp", dir / name);
        EXPECT_FALSE(failure) << failure->detail;
        return VImage::new_from_file((dir / name).c_str());
    }

    TempDir dir;
    WindowsBitmapStore bitmaps;
    VipsExporter exporter{bitmaps};
    const Picture photo = bandedPhoto(298, 298, 60);
};

TEST_F(VipsExporterTest, JpegHasTheSizeQualityAndSubsampling)
{
    for (const auto& [quality, chroma] : std::vector<std::pair<const char*, const char*>>{
             {"10", "4:2:0"}, {"89", "4:2:0"}, {"90", "4:4:4"}, {"100", "4:4:4"}}) {
        const VImage jpeg = convert(photo, std::string("q") + quality + ".jpg", quality);
        EXPECT_EQ(std::string(jpeg.get_string("vips-loader")), "jpegload");
        EXPECT_EQ(decoded(jpeg).size(), photo.size());
        EXPECT_EQ(std::string(jpeg.get_string("jpeg-chroma-subsample")), chroma) << quality;
        for (const char* field :
             {VIPS_META_EXIF_NAME, VIPS_META_ICC_NAME, VIPS_META_ORIENTATION, VIPS_META_XMP_NAME})
            EXPECT_EQ(jpeg.get_typeof(field), 0) << field;
    }
    EXPECT_LT(readBytes(dir / "q10.jpg").size() * 3, readBytes(dir / "q89.jpg").size());
    const double coarse = psnr(photo, decoded(VImage::new_from_file((dir / "q10.jpg").c_str())));
    const double fine = psnr(photo, decoded(VImage::new_from_file((dir / "q100.jpg").c_str())));
    EXPECT_GT(fine, 40);
    EXPECT_LT(coarse, fine - 8);
}

TEST_F(VipsExporterTest, GifKeepsWhiteExactlyWhiteAndDithersThePhoto)
{
    const VImage gif = convert(photo, "a.gif");
    EXPECT_EQ(std::string(gif.get_string("vips-loader")), "gifload");
    EXPECT_NE(gif.get_typeof("gif-palette"), 0);
    EXPECT_EQ(gif.get_typeof(VIPS_META_EXIF_NAME), 0);
    const Picture out = decoded(gif);
    ASSERT_EQ(out.size(), photo.size());

    int offWhite = 0;
    std::vector<double> blockErrors; // per 4 x 4 block and channel, over the photo part
    for (int y = 0; y < 298; ++y)
        for (int x = 0; x < 298; ++x)
            if (y < 60 || y >= 238)
                offWhite += out.at(x, y)[0] + out.at(x, y)[1] + out.at(x, y)[2] != 3 * 255;
    for (int by = 60; by + 4 <= 238; by += 4)
        for (int bx = 0; bx + 4 <= 298; bx += 4)
            for (int c = 0; c < 3; ++c) {
                double sum = 0;
                for (int y = by; y < by + 4; ++y)
                    for (int x = bx; x < bx + 4; ++x)
                        sum += double(out.at(x, y)[c]) - photo.at(x, y)[c];
                blockErrors.push_back(std::abs(sum / 16));
            }
    EXPECT_EQ(offWhite, 0);
    // Dithered, block averages follow the photo; undithered this picture's median
    // block error is about 2.8 and its 90th percentile about 7.
    std::sort(blockErrors.begin(), blockErrors.end());
    EXPECT_LT(blockErrors[blockErrors.size() / 2], 2.2);
    EXPECT_LT(blockErrors[blockErrors.size() * 9 / 10], 6);
}

TEST_F(VipsExporterTest, TheBitmapRoadAndTheDirectRoadWriteTheSameBytes)
{
    for (const Picture& picture : {photo, bandedPhoto(37, 23, 4), Picture(1, 1, 0)}) {
        convert(picture, "bitmap.jpg", "75");
        convert(picture, "bitmap.gif");
        ASSERT_FALSE(
            exporter.writePicture(picture, dir / "direct.jpg", {OutputFormat::Jpeg, "75"}));
        ASSERT_FALSE(exporter.writePicture(picture, dir / "direct.gif", {OutputFormat::Gif, ""}));
        EXPECT_EQ(readBytes(dir / "bitmap.jpg"), readBytes(dir / "direct.jpg")) << picture.width;
        EXPECT_EQ(readBytes(dir / "bitmap.gif"), readBytes(dir / "direct.gif")) << picture.width;
    }
}

TEST_F(VipsExporterTest, RefusalsWriteNothing)
{
    ASSERT_FALSE(bitmaps.save(photo, dir / "temp.bmp"));
    for (const char* text : {"", "0", "101", "7.5", " 75"}) {
        const auto failure = exporter.convertToJpeg(dir / "temp.bmp", dir / "out.jpg", text);
        ASSERT_TRUE(failure) << text;
        EXPECT_EQ(failure->kind, FailureKind::BadQuality);
        EXPECT_EQ(failure->file, dir / "out.jpg");
    }
    Bytes cut = readBytes(dir / "temp.bmp");
    cut.resize(cut.size() - 7);
    writeBytes(dir / "cut.bmp", cut);
    EXPECT_TRUE(exporter.convertToGif(dir / "cut.bmp", dir / "out.gif"));
    EXPECT_TRUE(exporter.convertToJpeg(dir / "missing.bmp", dir / "out.jpg", "75"));
    const auto empty = exporter.writePicture(Picture(), dir / "out.jpg", {});
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->file, dir / "out.jpg");
    EXPECT_EQ(dir.entries(), (Names{"cut.bmp", "temp.bmp"}));
}

} // namespace
} // namespace tessaline
