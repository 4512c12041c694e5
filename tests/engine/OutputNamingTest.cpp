#include "OutputNaming.h"

#include <gtest/gtest.h>

namespace tessaline {
namespace {

using Names = std::vector<std::string>;

TEST(OutputNames, CarryTheFormatsExtension)
{
    EXPECT_EQ(
        outputNames({"photo.bmp", "PIC.JPG", "a.b.gif", "noext", ".hidden"}, OutputFormat::Jpeg),
        (Names{"photo.jpg", "PIC.jpg", "a.b.jpg", "noext.jpg", ".hidden.jpg"}));
    EXPECT_EQ(outputName("photo.jpg", OutputFormat::Gif), "photo.gif");
}

TEST(OutputNames, LaterTwinsAreNumberedSkippingNamesTheRunOwns)
{
    const std::vector<std::pair<Names, Names>> rows{
        {{"photo.bmp", "photo.gif", "photo.jpg"}, {"photo.jpg", "photo (2).jpg", "photo (3).jpg"}},
        {{"a.bmp", "b.jpg", "a.gif"}, {"a.jpg", "b.jpg", "a (2).jpg"}},
        // A source of that name, listed after the twins, keeps it.
        {{"photo.bmp", "photo.gif", "photo (2).jpg"},
         {"photo.jpg", "photo (3).jpg", "photo (2).jpg"}},
        // Case alone does not separate names: one file on FAT, exFAT and SMB.
        {{"Photo.BMP", "photo.jpg", "PHOTO.gif"}, {"Photo.jpg", "photo (2).jpg", "PHOTO (3).jpg"}},
    };
    for (const auto& [sources, expected] : rows)
        EXPECT_EQ(outputNames(sources, OutputFormat::Jpeg), expected) << sources[0];
}

TEST(OutputNames, TwinsOfTheLongestNamesStayWithinTheFileSystemsLimit)
{
    const std::string longest(251, 'a');   // "<251>.jpg" is 255 bytes
    const std::string accented = std::string(246, 'b') + "\xc3\xa8" "ccc"; // "...èccc", 251 bytes
    const Names names = outputNames({longest + ".gif", longest + ".jpg", accented + ".bmp", accented + ".jpg"},
                                    OutputFormat::Jpeg);
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(names[0], longest + ".jpg");
    EXPECT_EQ(names[1], std::string(247, 'a') + " (2).jpg");
    EXPECT_EQ(names[2], accented + ".jpg");
    // The cut would fall inside "è": the whole character goes.
    EXPECT_EQ(names[3], std::string(246, 'b') + " (2).jpg");
    for (const std::string& name : names)
        EXPECT_LE(name.size(), maxNameBytes);
}

TEST(JpegQuality, OnlyWholeNumbersFromOneToHundred)
{
    EXPECT_EQ(jpegQualityFromText("1"), 1);
    EXPECT_EQ(jpegQualityFromText("100"), 100);
    EXPECT_EQ(jpegQualityFromText("075"), 75);
    for (const char* text : {"", "0", "101", "-5", "+5", " 75", "7.5", "75%", "1e2", "99999999999"})
        EXPECT_FALSE(jpegQualityFromText(text)) << text;
}

} // namespace
} // namespace tessaline
