// The Debian package, as built by cpack for the fixture `debian_package`
// (build-package.sh; only with TESSALINE_TEST_PACKAGE=1): its files, its
// control fields, its programs and its removal script.

#include "Commands.h"
#include "InstalledTree.h"

#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace tessaline {
namespace {

namespace fs = std::filesystem;

std::string trimmedOut(const Ran& ran)
{
    return ran.out.substr(0, ran.out.find_last_not_of('\n') + 1);
}

class DebianPackage : public testing::Test {
protected:
    void SetUp() override
    {
        const char* wanted = std::getenv("TESSALINE_TEST_PACKAGE");
        if (!wanted || std::string(wanted) != "1")
            GTEST_SKIP() << "set TESSALINE_TEST_PACKAGE=1 to build and check the package";
        for (const auto& entry : fs::directory_iterator(TESSALINE_PACKAGE_DIR))
            if (entry.path().extension() == ".deb")
                deb_ = entry.path();
        ASSERT_FALSE(deb_.empty()) << "no package in " << TESSALINE_PACKAGE_DIR;
        char pattern[] = "/tmp/tessaline-deb-XXXXXX";
        work_ = ::mkdtemp(pattern);
    }
    void TearDown() override
    {
        if (!work_.empty())
            fs::remove_all(work_);
    }

    std::string field(const std::string& name) const
    {
        const Ran ran = runCommand({"dpkg-deb", "-f", deb_.string(), name});
        EXPECT_EQ(ran.status, 0) << ran.err;
        return trimmedOut(ran);
    }

    fs::path deb_, work_;
};

struct Member {
    std::string mode, owner, path, target;
};

// `dpkg-deb -c`: "-rwxr-xr-x root/root 1234 2026-01-01 10:00 ./usr/bin/x -> y".
std::vector<Member> members(const std::string& listing)
{
    static const std::regex line(R"(^(\S+) (\S+)\s+\d+ \S+ \S+ \./(\S*?)(?: -> (\S+))?$)");
    std::vector<Member> all;
    std::istringstream in(listing);
    for (std::string text; std::getline(in, text);) {
        std::smatch m;
        if (std::regex_match(text, m, line))
            all.push_back({m[1], m[2], m[3], m[4]});
        else
            ADD_FAILURE() << "unexpected listing line: " << text;
    }
    return all;
}

TEST_F(DebianPackage, HoldsTheInstallTreeUnderUsrOwnedByRoot)
{
    const Ran listing = runCommand({"dpkg-deb", "-c", deb_.string()});
    ASSERT_EQ(listing.status, 0) << listing.err;
    std::set<std::string> files;
    for (const Member& m : members(listing.out)) {
        EXPECT_EQ(m.owner, "root/root") << m.path;
        if (m.mode.starts_with('d'))
            continue;
        ASSERT_TRUE(m.path.starts_with("usr/")) << m.path;
        const std::string path = m.path.substr(4);
        files.insert(path);
        if (path.starts_with("bin/"))
            EXPECT_EQ("lrwxrwxrwx " + m.target, "lrwxrwxrwx ../lib/tessaline/" + path.substr(4))
                << m.mode;
        else if (path == "lib/tessaline/tessaline" || path == "lib/tessaline/tessaline-cli")
            EXPECT_EQ(m.mode, "-rwxr-xr-x") << path;
        else
            EXPECT_EQ(m.mode, "-rw-r--r--") << path;
    }
    EXPECT_EQ(files, installed::files());
}

// The package names of a Depends field, versions dropped.
std::set<std::string> packageNames(const std::string& depends)
{
    std::set<std::string> names;
    static const std::regex name(R"((?:^|[,|])\s*([a-z0-9][a-z0-9+.-]*))");
    for (auto it = std::sregex_iterator(depends.begin(), depends.end(), name);
         it != std::sregex_iterator(); ++it)
        names.insert((*it)[1]);
    return names;
}

TEST_F(DebianPackage, DependsOnTheRuntimeLibrariesAlone)
{
    EXPECT_EQ(field("Package"), "tessaline");
    EXPECT_EQ(field("Architecture"), trimmedOut(runCommand({"dpkg", "--print-architecture"})));
    const std::set<std::string> depends = packageNames(field("Depends"));
    for (const char* library :
         {"libc6", "libstdc++6", "libqt6core6", "libqt6gui6", "libqt6widgets6", "libvips42"})
        EXPECT_TRUE(depends.contains(library)) << library << " missing from " << field("Depends");
    for (const std::string& name : depends) {
        EXPECT_FALSE(name.ends_with("-dev")) << name;
        EXPECT_FALSE(name.starts_with("libgtest") || name.starts_with("libgmock")) << name;
        // Every one is a real package: installed here, since the programs were linked here.
        const Ran known = runCommand({"dpkg-query", "-W", name});
        EXPECT_EQ(known.status, 0) << name << ": " << known.err;
    }
}

TEST_F(DebianPackage, ShipsStrippedProgramsThatFindEveryLibrary)
{
    const Ran unpacked = runCommand({"dpkg-deb", "-x", deb_.string(), work_.string()});
    ASSERT_EQ(unpacked.status, 0) << unpacked.err;
    for (const char* program : {"tessaline", "tessaline-cli"}) {
        const fs::path file = work_ / "usr/lib/tessaline" / program;
        const Ran sections = runCommand({"readelf", "--section-headers", "--wide", file.string()});
        ASSERT_EQ(sections.status, 0) << sections.err;
        EXPECT_EQ(sections.out.find(".symtab"), std::string::npos) << program << " is not stripped";
        const Ran dynamic = runCommand({"readelf", "--dynamic", file.string()});
        EXPECT_EQ(dynamic.out.find("RUNPATH"), std::string::npos)
            << program << " carries a search path";
        EXPECT_EQ(dynamic.out.find("RPATH"), std::string::npos)
            << program << " carries a search path";
        const Ran libraries = runCommand({"ldd", file.string()});
        EXPECT_EQ(libraries.out.find("not found"), std::string::npos) << libraries.out;
    }
}

TEST_F(DebianPackage, RemovalTakesAlongTheBitmapAProgramRunByRootLeftInItsFolder)
{
    const Ran control = runCommand({"dpkg-deb", "-e", deb_.string(), (work_ / "control").string()});
    ASSERT_EQ(control.status, 0) << control.err;
    const fs::path prerm = work_ / "control/prerm";
    ASSERT_TRUE(fs::exists(prerm));
    EXPECT_EQ(fs::status(prerm).permissions() & fs::perms::others_exec, fs::perms::others_exec);

    const fs::path root = work_ / "root", folder = root / "usr/lib/tessaline";
    const auto leave = [&] {
        fs::create_directories(folder);
        for (const char* name : {"temp.bmp", "temp.bmp.lock", "paypal.htm"})
            std::ofstream(folder / name) << "x";
    };
    leave();
    // An upgrade replaces the programs while a copy may still hold its lock.
    Ran ran = runCommand({prerm.string(), "upgrade", "1.0"}, {"DPKG_ROOT=" + root.string()});
    EXPECT_EQ(ran.status, 0) << ran.err;
    EXPECT_TRUE(fs::exists(folder / "temp.bmp.lock"));

    ran = runCommand({prerm.string(), "remove"}, {"DPKG_ROOT=" + root.string()});
    EXPECT_EQ(ran.status, 0) << ran.err;
    EXPECT_FALSE(fs::exists(folder / "temp.bmp"));
    EXPECT_FALSE(fs::exists(folder / "temp.bmp.lock"));
    EXPECT_TRUE(fs::exists(folder / "paypal.htm")); // the package's own: dpkg removes it

    fs::remove_all(folder);
    ran = runCommand({prerm.string(), "remove"}, {"DPKG_ROOT=" + root.string()});
    EXPECT_EQ(ran.status, 0) << "a folder without the files: " << ran.err;
}

} // namespace
} // namespace tessaline
