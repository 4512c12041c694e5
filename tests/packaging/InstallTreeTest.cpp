// `cmake --install` into a fresh prefix: the tree it lays out, the menu entry,
// the icons and the manual, and the installed programs started from their
// commands on bin, as a user starts them.

#include "Commands.h"
#include "InstalledTree.h"

#include <QImage>
#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <pwd.h>
#include <regex>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace tessaline {
namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string trimmed(const std::string& s)
{
    const std::size_t first = s.find_first_not_of(" \t");
    return first == std::string::npos ? "" : s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// Every file and link under `root`, relative to it.
std::set<std::string> filesUnder(const fs::path& root)
{
    std::set<std::string> all;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (!entry.is_directory() || entry.is_symlink())
            all.insert(entry.path().lexically_relative(root).string());
    return all;
}

fs::path freshRoot()
{
    char pattern[] = "/tmp/tessaline-install-XXXXXX";
    return ::mkdtemp(pattern);
}

Ran install(const fs::path& prefix)
{
    return runCommand(
        {TESSALINE_CMAKE, "--install", TESSALINE_BUILD_DIR, "--prefix", prefix.string()});
}

// One install shared by the tests that only read the tree or run the CLI.
class InstallTree : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        root_ = freshRoot();
        const Ran ran = install(root_ / "usr");
        installed_ = ran.status == 0;
        log_ = ran.out + ran.err;
    }
    static void TearDownTestSuite() { fs::remove_all(root_); }
    void SetUp() override { ASSERT_TRUE(installed_) << log_; }

    static fs::path prefix() { return root_ / "usr"; }
    static fs::path programFolder() { return prefix() / installed::programFolder; }

    static inline fs::path root_;
    static inline bool installed_ = false;
    static inline std::string log_;
};

TEST_F(InstallTree, HoldsTheProgramsFolderCommandsMenuEntryIconsAndManualAndNothingElse)
{
    EXPECT_EQ(filesUnder(prefix()), installed::files());
    EXPECT_EQ(slurp(programFolder() / "paypal.htm"),
              slurp(TESSALINE_SOURCE_DIR "/assets/paypal.htm"));
    for (const char* program : {"tessaline", "tessaline-cli"})
        EXPECT_EQ(::access((programFolder() / program).c_str(), X_OK), 0) << program;
}

TEST_F(InstallTree, TheCommandsAreRelativeLinksIntoTheProgramsFolder)
{
    for (const char* command : {"tessaline", "tessaline-cli"}) {
        const fs::path link = prefix() / "bin" / command;
        ASSERT_TRUE(fs::is_symlink(link)) << command;
        // Relative, so the tree works wherever it is unpacked (DESTDIR, the package).
        EXPECT_TRUE(fs::read_symlink(link).is_relative()) << fs::read_symlink(link);
        EXPECT_EQ(fs::canonical(link), fs::canonical(programFolder() / command));
    }
}

std::map<std::string, std::string> desktopEntry(const fs::path& file)
{
    std::map<std::string, std::string> keys;
    bool inEntry = false;
    for (const std::string& line : linesOf(slurp(file))) {
        if (line.starts_with('['))
            inEntry = line == "[Desktop Entry]";
        else if (inEntry && line.find('=') != std::string::npos)
            keys[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
    }
    return keys;
}

TEST_F(InstallTree, TheMenuEntryIsValidAndStartsTheInstalledProgramWithItsIcon)
{
    const fs::path file = prefix() / "share/applications/tessaline.desktop";
    const Ran validated = runCommand({"desktop-file-validate", file.string()});
    EXPECT_EQ(validated.status, 0) << validated.out << validated.err;
    EXPECT_EQ(validated.out.find("error"), std::string::npos) << validated.out;

    std::map<std::string, std::string> keys = desktopEntry(file);
    EXPECT_EQ(keys["Type"], "Application");
    EXPECT_EQ(keys["Terminal"], "false");
    // The program takes no arguments: no field codes for files or addresses.
    EXPECT_EQ(keys["Exec"].find('%'), std::string::npos) << keys["Exec"];
    const std::string command = keys["Exec"].substr(0, keys["Exec"].find(' '));
    EXPECT_EQ(fs::canonical(prefix() / "bin" / command),
              fs::canonical(programFolder() / "tessaline"));
    for (const int side : installed::iconSides)
        EXPECT_TRUE(fs::exists(
            (prefix() / installed::iconPath(side)).replace_filename(keys["Icon"] + ".png")))
            << side;
    EXPECT_NE(keys["Categories"].find("Graphics;"), std::string::npos) << keys["Categories"];
}

TEST_F(InstallTree, EachIconIsTheCrossedRulersAtItsFoldersSize)
{
    for (const int side : installed::iconSides) {
        const QImage icon(QString::fromStdString((prefix() / installed::iconPath(side)).string()));
        ASSERT_EQ(icon.size(), QSize(side, side)) << side;
        // The rulers cross at the centre; the middle of each edge lies between them.
        EXPECT_EQ(icon.pixelColor(side / 2, side / 2).alpha(), 255) << side;
        for (const QPoint edge :
             {QPoint(0, side / 2), QPoint(side / 2, 0), QPoint(side - 1, side / 2)})
            EXPECT_EQ(icon.pixelColor(edge).alpha(), 0)
                << side << " at " << edge.x() << "," << edge.y();
    }
}

// The options of `--help`, each with the default it shows ("" for none).
std::map<std::string, std::string> helpOptions(const std::string& help)
{
    static const std::regex option(R"(^\s*(?:-\w,)?--([a-z][a-z-]*)(.*)$)");
    static const std::regex shownDefault(R"(=(\S+)\s*$)");
    std::map<std::string, std::string> options;
    for (const std::string& line : linesOf(help)) {
        std::smatch m, d;
        if (!std::regex_match(line, m, option))
            continue;
        const std::string rest = m[2];
        options[m[1]] = std::regex_search(rest, d, shownDefault) ? d[1].str() : "";
    }
    return options;
}

// The paragraph of the rendered manual that describes `--name`, tag line excluded.
std::string manualParagraph(const std::vector<std::string>& rendered, const std::string& name)
{
    const std::regex tag("^(-\\w, )?--" + name + "( .*)?$");
    for (std::size_t i = 0; i < rendered.size(); ++i) {
        if (!std::regex_match(trimmed(rendered[i]), tag))
            continue;
        std::string paragraph;
        for (std::size_t j = i + 1; j < rendered.size() && !trimmed(rendered[j]).empty(); ++j)
            paragraph += trimmed(rendered[j]) + " ";
        return paragraph;
    }
    return {};
}

TEST_F(InstallTree, TheManualRendersCleanlyAndDescribesEveryOptionOfTheHelpWithItsDefault)
{
    const Ran help = runCommand({(prefix() / "bin/tessaline-cli").string(), "--help"});
    ASSERT_EQ(help.status, 0) << help.err;
    const std::map<std::string, std::string> options = helpOptions(help.out);
    ASSERT_GE(options.size(), 8u) << help.out;

    // Plain ASCII at a width where no paragraph wraps or hyphenates.
    const Ran manual = runCommand(
        {"man", "--warnings", "-l", (prefix() / "share/man/man1/tessaline-cli.1.gz").string()},
        {"LC_ALL=C", "MANWIDTH=1000", "MANPAGER=cat", "PAGER=cat"});
    ASSERT_EQ(manual.status, 0) << manual.err;
    EXPECT_EQ(manual.err, "");
    const std::vector<std::string> rendered = linesOf(manual.out);
    const std::string cores = std::to_string(std::max(1u, std::thread::hardware_concurrency()));
    for (const auto& [name, shown] : options) {
        const std::string paragraph = manualParagraph(rendered, name);
        EXPECT_FALSE(paragraph.empty()) << "--" << name << " is not in the manual";
        if (shown.empty())
            continue;
        const std::string documented =
            shown == cores && name == "jobs" ? "the number of cores" : shown;
        EXPECT_NE(paragraph.find("The default is " + documented + "."), std::string::npos)
            << "--" << name << " shows " << shown << "; the manual says: " << paragraph;
    }
}

TEST_F(InstallTree, TheCliFromBinConvertsAFolderIntoANewDestination)
{
    const fs::path work = root_ / "cli", src = work / "src", dst = work / "out/new";
    fs::create_directories(src);
    QImage wide(400, 300, QImage::Format_RGB32), tall(30, 50, QImage::Format_RGB32);
    wide.fill(QColor(200, 40, 40));
    tall.fill(QColor(40, 40, 200));
    ASSERT_TRUE(wide.save(QString::fromStdString((src / "photo.jpg").string()), "JPEG", 90));
    ASSERT_TRUE(tall.save(QString::fromStdString((src / "photo.bmp").string()), "BMP"));
    std::ofstream(src / "notes.txt") << "not a picture";

    const Ran ran = runCommand(
        {(prefix() / "bin/tessaline-cli").string(), "--quiet", src.string(), dst.string()});
    ASSERT_EQ(ran.status, 0) << ran.err;
    EXPECT_EQ(ran.err, "");
    // photo.bmp sorts first and keeps photo.jpg; the JPEG gets the next free name.
    ASSERT_EQ(filesUnder(dst), (std::set<std::string>{"photo (2).jpg", "photo.jpg"}));
    const QImage fromTall(QString::fromStdString((dst / "photo.jpg").string()));
    const QImage fromWide(QString::fromStdString((dst / "photo (2).jpg").string()));
    ASSERT_EQ(fromTall.size(), QSize(300, 300));
    ASSERT_EQ(fromWide.size(), QSize(300, 300));
    const auto near = [](QColor c, QColor want) {
        return std::abs(c.red() - want.red()) < 16 && std::abs(c.green() - want.green()) < 16 &&
               std::abs(c.blue() - want.blue()) < 16;
    };
    EXPECT_TRUE(near(fromWide.pixelColor(150, 10), Qt::white)); // band above
    EXPECT_TRUE(near(fromWide.pixelColor(150, 150), QColor(200, 40, 40)));
    EXPECT_TRUE(near(fromTall.pixelColor(10, 150), Qt::white)); // band at the left
    EXPECT_TRUE(near(fromTall.pixelColor(150, 150), QColor(40, 40, 200)));
}

// The window program, started from bin in a tree of its own. It shows its
// About window and waits; it takes its temporary bitmap's lock, beside the
// place of its temporary bitmap, before that, which tells where it writes.
class InstalledWindowProgram : public testing::Test {
protected:
    void SetUp() override
    {
        root_ = freshRoot();
        const Ran ran = install(prefix());
        ASSERT_EQ(ran.status, 0) << ran.out << ran.err;
        fs::create_directories(home());
        fs::create_directories(root_ / "elsewhere");
    }
    void TearDown() override
    {
        fs::permissions(programFolder(), fs::perms::owner_write, fs::perm_options::add);
        fs::remove_all(root_);
    }

    fs::path prefix() const { return root_ / "usr"; }
    fs::path programFolder() const { return prefix() / installed::programFolder; }
    fs::path home() const { return root_ / "home"; }
    fs::path cacheLock() const { return home() / ".cache/tessaline/temp.bmp.lock"; }

    // Starts bin/tessaline offscreen from another folder, its user's home in the tree.
    std::unique_ptr<Started> start(std::vector<std::string> prefixArgs = {}) const
    {
        prefixArgs.push_back((prefix() / "bin/tessaline").string());
        return std::make_unique<Started>(
            prefixArgs,
            EnvChanges{"QT_QPA_PLATFORM=offscreen", "HOME=" + home().string(), "XDG_CACHE_HOME"},
            root_ / "elsewhere");
    }

    // Waits until `path` exists, the program has ended or 30 s have passed.
    static bool appears(const fs::path& path, Started& program)
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!fs::exists(path) && program.running() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return fs::exists(path);
    }

    fs::path root_;
};

TEST_F(InstalledWindowProgram, StartedFromItsCommandItWritesInItsOwnFolder)
{
    // A prefix of the user's own: the folder can be written, so it is used.
    const auto program = start();
    const bool locked = appears(programFolder() / "temp.bmp.lock", *program);
    const bool stillRunning = program->running();
    const Ran ran = program->stop();
    ASSERT_TRUE(locked) << "status " << ran.status << ": " << ran.err;
    EXPECT_TRUE(stillRunning) << ran.err; // waiting on its About window
    EXPECT_FALSE(fs::exists(cacheLock()));
    EXPECT_EQ(filesUnder(root_ / "elsewhere"), std::set<std::string>{});
    EXPECT_EQ(filesUnder(prefix() / "bin"), (std::set<std::string>{"tessaline", "tessaline-cli"}));
}

TEST_F(InstalledWindowProgram, UnderAFolderItsUserCannotWriteItKeepsToTheCacheFolder)
{
    std::vector<std::string> asUser;
    if (::geteuid() == 0) {
        // Root writes anywhere: run it as an ordinary user, who owns only the home.
        const passwd* nobody = ::getpwnam("nobody");
        ASSERT_NE(nobody, nullptr);
        fs::permissions(root_, fs::perms::owner_all | fs::perms::group_exec |
                                   fs::perms::others_exec | fs::perms::group_read |
                                   fs::perms::others_read);
        ASSERT_EQ(::chown(home().c_str(), nobody->pw_uid, nobody->pw_gid), 0);
        asUser = {"setpriv", "--reuid=" + std::to_string(nobody->pw_uid),
                  "--regid=" + std::to_string(nobody->pw_gid), "--clear-groups", "--"};
    } else {
        fs::permissions(programFolder(), fs::perms::owner_write, fs::perm_options::remove);
    }
    const auto program = start(asUser);
    const bool locked = appears(cacheLock(), *program);
    const Ran ran = program->stop();
    ASSERT_TRUE(locked) << "status " << ran.status << ": " << ran.err;
    EXPECT_EQ(filesUnder(programFolder()),
              (std::set<std::string>{"paypal.htm", "tessaline", "tessaline-cli"}));
}

} // namespace
} // namespace tessaline
