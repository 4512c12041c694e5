// The file system failing under a run: sources that go away or change after
// they were listed, a destination removed, made read-only or filled up during
// the run, and names that are hard to handle. Outputs written before the fault
// stay whole, nothing is left half-written, and the message says what happened.

#include "Hardening.h"

#include <QObject>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace tessaline::hardening {
namespace {

constexpr uid_t nobody = 65534;

class WindowFaultTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"})
            writeFile(src_ / name, jpegBytes(photo(160, 120)));
        window_.chooseSource(src_);
        window_.chooseDestination(dst_);
    }

    // Runs the job with `fault` done once the first file is written.
    void runWithFaultAfterTheFirstFile(const std::function<void()>& fault)
    {
        const QMetaObject::Connection hook =
            QObject::connect(&window_.form(), &MDIForm1::runFileDone, [&](int row) {
                if (row == 0)
                    fault();
            });
        window_.pressStart();
        QObject::disconnect(hook);
        message_ = window_.closingMessage();
    }

    void expectNamed(const char* name, const QString& reason) const
    {
        EXPECT_TRUE(message_.contains(QStringLiteral("«%1»: %2").arg(QLatin1String(name), reason)))
            << name << "\n"
            << message_.toStdString();
    }

    // The one output written before the fault, whole, and nothing else in `folder`.
    static void expectOnlyTheFirstOutput(const fs::path& folder)
    {
        EXPECT_EQ(entries(folder), (std::vector<std::string>{"a.jpg"}));
        const std::optional<Decoded> a = decodeWhole(folder / "a.jpg");
        ASSERT_TRUE(a);
        EXPECT_EQ(a->width, 300);
    }

    Scratch dir_;
    fs::path src_ = dir_.folder("src"), dst_ = dir_.folder("dst"),
             program_ = dir_.folder("program");
    Window window_{program_, program_ / "temp.bmp"};
    QString message_;
};

TEST_F(WindowFaultTest, SourcesThatGoAwayOrChangeAfterTheyWereListed)
{
    runWithFaultAfterTheFirstFile([&] {
        fs::remove(src_ / "b.jpg");
        fs::remove(src_ / "c.jpg");
        fs::create_directory(src_ / "c.jpg");
        fs::remove(src_ / "d.jpg");
        ASSERT_EQ(::mkfifo((src_ / "d.jpg").c_str(), 0644),
                  0); // opening it to read would wait for ever
        fs::remove(src_ / "e.jpg");
        fs::create_symlink("e.jpg", src_ / "e.jpg"); // a loop: even root cannot read it
    });
    EXPECT_TRUE(message_.contains(QStringLiteral("1 immagini scritte su 5")))
        << message_.toStdString();
    expectNamed("b.jpg", QStringLiteral("il file non esiste più."));
    expectNamed("c.jpg", QStringLiteral("non è un'immagine GIF, JPEG o bitmap."));
    expectNamed("d.jpg", QStringLiteral("non è un'immagine GIF, JPEG o bitmap."));
    expectNamed("e.jpg", QStringLiteral("il file non si può leggere"));
    expectOnlyTheFirstOutput(dst_);
}

TEST_F(WindowFaultTest, TheDestinationRemovedDuringTheRun)
{
    const fs::path moved = dir_ / "dst-moved";
    runWithFaultAfterTheFirstFile([&] { fs::rename(dst_, moved); });
    EXPECT_TRUE(message_.contains(QStringLiteral("1 immagini scritte su 5")))
        << message_.toStdString();
    for (const char* name : {"b.jpg", "c.jpg", "d.jpg", "e.jpg"})
        expectNamed(name, QStringLiteral("impossibile scrivere il file, la cartella non esiste."));
    EXPECT_FALSE(fs::exists(dst_));
    expectOnlyTheFirstOutput(moved);
}

TEST_F(WindowFaultTest, TheDestinationMadeReadOnlyDuringTheRun)
{
    const SmallDisk disk(dir_ / "disk", 4 << 20);
    if (!disk.mounted())
        GTEST_SKIP() << "no tmpfs can be mounted here";
    window_.chooseDestination(disk.path());
    bool readOnly = false;
    runWithFaultAfterTheFirstFile([&] { readOnly = disk.remountReadOnly(); });
    ASSERT_TRUE(readOnly);
    for (const char* name : {"b.jpg", "c.jpg", "d.jpg", "e.jpg"})
        expectNamed(name, QStringLiteral("impossibile scrivere il file, permesso negato."));
    expectOnlyTheFirstOutput(disk.path());
}

TEST_F(WindowFaultTest, ADiskThatFillsUpDuringTheRun)
{
    const SmallDisk disk(dir_ / "disk", 1 << 20);
    if (disk.mounted()) {
        window_.chooseDestination(disk.path());
        runWithFaultAfterTheFirstFile([&] { disk.fill(); });
        for (const char* name : {"b.jpg", "c.jpg", "d.jpg", "e.jpg"})
            expectNamed(name, QStringLiteral("impossibile scrivere il file, disco pieno."));
        fs::remove(disk.path() / "filler");
        expectOnlyTheFirstOutput(disk.path());
        return;
    }
    // Where nothing can be mounted, a file-size limit cuts the writes short instead.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    runWithFaultAfterTheFirstFile([&] {
        const rlimit small{1024, saved.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &small);
    });
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, handler);
    expectNamed("b.jpg",
                QStringLiteral("impossibile scrivere il file, troppo grande per il disco."));
    expectOnlyTheFirstOutput(dst_);
}

TEST_F(WindowFaultTest, TheTemporaryBitmapsDiskFull)
{
    const SmallDisk disk(dir_ / "disk", 64 << 10);
    if (!disk.mounted())
        GTEST_SKIP() << "no tmpfs can be mounted here";
    Window window(disk.path(), disk.path() / "temp.bmp");
    window.chooseSource(src_);
    window.chooseDestination(dst_);
    window.setSide(400); // 480 KB of bitmap: more than the disk holds
    window.pressStart();
    const QString message = window.closingMessage();
    EXPECT_TRUE(message.contains(QStringLiteral("0 immagini scritte su 5")))
        << message.toStdString();
    EXPECT_TRUE(
        message.contains(QStringLiteral("«temp.bmp»: impossibile scrivere il file, disco pieno.")))
        << message.toStdString();
    EXPECT_TRUE(entries(dst_).empty());
    EXPECT_TRUE(entries(disk.path()).empty());
}

// A full destination for the command line: the largest source's output does not
// fit, the others do. Sources start largest first, so one output is written
// before the fault and one after it.
TEST(CommandLineFaults, AFullDisk)
{
    Scratch dir;
    const fs::path src = dir.folder("src");
    // 2.4 MB of bitmap whose flat output is small; then noise, whose output is not.
    writeFile(src / "a-flat.bmp", bitmapBytes(1000, 800, 24, 0, Bytes(3000 * 800, 200)));
    writeFile(src / "b-noise.jpg", jpegBytes(noise(1000, 1000)));
    flat(100, 100, {10, 20, 30}).gifsave((src / "c-flat.gif").c_str());

    const SmallDisk disk(dir / "disk", 1 << 20);
    Child child = cli({"--quiet", "--jobs", "1", "--quality", "100", "--width", "1000", "--height",
                       "1000", src, (disk.mounted() ? disk.path() : dir / "dst").string()});
    if (!disk.mounted())
        child.fileSizeLimit = 1 << 20; // the same fault where nothing can be mounted
    const fs::path dst = disk.mounted() ? disk.path() : dir / "dst";
    const Outcome o = run(child, dir / "log");

    EXPECT_EQ(o.status, 1) << o.err;
    const std::string reason = disk.mounted() ? "No space left on device" : "File too large";
    EXPECT_NE(o.err.find((src / "b-noise.jpg").string() + ": cannot write the output"),
              std::string::npos)
        << o.err;
    EXPECT_NE(o.err.find(reason), std::string::npos) << o.err;
    EXPECT_EQ(entries(dst), (std::vector<std::string>{"a-flat.jpg", "c-flat.jpg"}));
    for (const char* name : {"a-flat.jpg", "c-flat.jpg"}) {
        const std::optional<Decoded> out = decodeWhole(dst / name);
        ASSERT_TRUE(out) << name;
        EXPECT_EQ(out->width, 1000);
    }
}

// Root reads everything, so the unreadable file is read by another user.
TEST(CommandLineFaults, AnUnreadableSourceAsAnOrdinaryUser)
{
    Scratch dir;
    const fs::path src = dir.folder("src"), dst = dir.folder("dst");
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
        writeFile(src / name, jpegBytes(photo(80, 60)));
    fs::permissions(src / "b.jpg", fs::perms::none);
    ASSERT_EQ(::chown(dst.c_str(), nobody, nobody), 0);
    Child child = cli({"--quiet", src, dst});
    child.uid = nobody;
    const Outcome o = run(child, dir / "log");
    if (o.status == cannotDropPrivileges)
        GTEST_SKIP() << "cannot run as another user here";
    EXPECT_EQ(o.status, 1) << o.err;
    EXPECT_NE(o.err.find((src / "b.jpg").string() + ": cannot be read"), std::string::npos)
        << o.err;
    EXPECT_EQ(entries(dst), (std::vector<std::string>{"a.jpg", "c.jpg"}));
}

// Blanks, accents, leading dashes, the longest name and bytes that are not UTF-8,
// in the folders' names too where the window can show them.
class AwkwardNamesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const std::string& name : sources_)
            writeFile(src_ / name, jpegBytes(photo(90, 60)));
        writeFile(src_ / (longest_ + ".gif"), gifBytes(photo(60, 90)));
    }

    void expectOutputs(const fs::path& folder) const
    {
        std::vector<std::string> want{"-dash.jpg",       "caff\xc3\xa8 latte.jpg",
                                      "my photo.jpg",    "odd \xff\xfe.jpg",
                                      longest_ + ".jpg", std::string(247, 'n') + " (2).jpg"};
        std::sort(want.begin(), want.end());
        ASSERT_EQ(entries(folder), want);
        for (const std::string& name : want)
            EXPECT_TRUE(decodeWhole(folder / name)) << name;
    }

    Scratch dir_;
    fs::path src_ = dir_.folder("-src \xc3\xa8"); // starts with a dash, has a blank and an accent
    const std::string longest_ = std::string(251, 'n');
    const std::vector<std::string> sources_{"my photo.jpg", "caff\xc3\xa8 latte.jpg", "-dash.jpg",
                                            "odd \xff\xfe.jpg", longest_ + ".jpg"};
};

TEST_F(AwkwardNamesTest, TheCommandLine)
{
    Child child = cli({"--quiet", "--", "-src \xc3\xa8", "-out"});
    child.cwd = dir_.path();
    const Outcome o = run(child, dir_ / "log");
    EXPECT_EQ(o.status, 0) << o.err;
    expectOutputs(dir_ / "-out");
}

TEST_F(AwkwardNamesTest, TheWindow)
{
    Window window(dir_.folder("program"), dir_ / "program" / "temp.bmp");
    window.chooseSource(src_);
    EXPECT_EQ(window.listed().size(), 6);
    window.chooseDestination(dir_.folder("-out \xc3\xa8"));
    window.pressStart();
    EXPECT_EQ(window.closingMessage(), QStringLiteral("Conversione terminata con successo."));
    expectOutputs(dir_ / "-out \xc3\xa8");
}

} // namespace
} // namespace tessaline::hardening
