#include "FolderListing.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace tessaline {
namespace {

namespace fs = std::filesystem;

class ScratchFolder {
public:
    ScratchFolder()
    {
        char tmpl[] = "/tmp/tessaline-list-XXXXXX";
        path_ = ::mkdtemp(tmpl);
    }
    ~ScratchFolder() { fs::remove_all(path_); }
    const fs::path& path() const { return path_; }
    void touch(const std::string& name) const { std::ofstream(path_ / name) << "x"; }

private:
    fs::path path_;
};

TEST(PictureNames, MatchTheThreePatternsIgnoringCase)
{
    for (const char* name : {"a.gif", "a.jpg", "a.bmp", "A.JPG", "photo.Gif", "x.y.BmP"})
        EXPECT_TRUE(isListedPictureName(name)) << name;
    for (const char* name : {"a.jpeg", "a.png", "a.jpg.txt", "jpg", "a.gi", "a.tif"})
        EXPECT_FALSE(isListedPictureName(name)) << name;
}

TEST(ListPictures, FiltersHidesAndSortsIgnoringCase)
{
    ScratchFolder folder;
    for (const char* name : {"b.jpg", "A.gif", "c.BMP", "a.jpeg", "notes.txt", ".hidden.jpg",
                             "Zeta.jpg", "alpha.JPG"})
        folder.touch(name);
    fs::create_directory(folder.path() / "folder.jpg"); // a folder is not a picture
    fs::create_symlink(folder.path() / "b.jpg", folder.path() / "link.jpg");
    fs::create_symlink(folder.path() / "missing", folder.path() / "dangling.jpg");

    const std::vector<std::string> expected{"A.gif", "alpha.JPG", "b.jpg", "c.BMP", "link.jpg",
                                            "Zeta.jpg"};
    EXPECT_EQ(listPictures(folder.path()), expected);
}

TEST(ListPictures, KeepsNamesThatAreNotUtf8AndOddNames)
{
    ScratchFolder folder;
    const std::string latin1 = "caf\xe9.jpg"; // ISO-8859-1 bytes
    const std::string dash = "-rf.jpg";
    const std::string blanks = "my photo  .jpg";
    folder.touch(latin1);
    folder.touch(dash);
    folder.touch(blanks);
    const auto names = listPictures(folder.path());
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0], dash);
    EXPECT_EQ(names[1], latin1);
    EXPECT_EQ(names[2], blanks);
}

TEST(ListPictures, MissingOrUnreadableFolderListsNothing)
{
    EXPECT_TRUE(listPictures("/nonexistent/tessaline").empty());
    EXPECT_TRUE(listPictures("").empty());
}

TEST(JoinPath, OneSeparatorBetweenFolderAndName)
{
    EXPECT_EQ(joinPath("/home/u/pics", "a.jpg"), "/home/u/pics/a.jpg");
    EXPECT_EQ(joinPath("/", "a.jpg"), "/a.jpg");
    EXPECT_EQ(joinPath("/home/u/", "a.jpg"), "/home/u/a.jpg");
}

} // namespace
} // namespace tessaline
