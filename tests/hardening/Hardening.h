#pragma once

// Shared by the hardening tests: scratch folders, pictures made here, the real
// tessaline-cli in a child process (optionally as another user or under a
// file-size limit), a small tmpfs that fills up, and the main window wired the
// way the program wires it.

// libvips (glib) before Qt: glib uses "signals" as a name, Qt as a keyword.
// clang-format off
#include <vips/vips8>
// clang-format on

#include "CheckedPictureLoader.h"
#include "Fakes.h"
#include "MDIForm1.h"
#include "VipsExporter.h"
#include "VipsPictureLoader.h"
#include "WindowsBitmapStore.h"

#include <QString>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/types.h>
#include <vector>

namespace tessaline::hardening {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// A fresh folder under /tmp, open to every user (a test may run the program as
// nobody), removed with everything in it.
class Scratch {
public:
    Scratch();
    ~Scratch();
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    const fs::path& path() const { return path_; }
    fs::path operator/(const std::string& name) const { return path_ / name; }
    // A subfolder, created.
    fs::path folder(const std::string& name) const;

private:
    fs::path path_;
};

Bytes readFile(const fs::path& path);
void writeFile(const fs::path& path, const Bytes& bytes);

// Pictures: a smooth photo-like ramp, one flat colour, and noise that no encoder shrinks.
vips::VImage photo(int width, int height);
vips::VImage flat(int width, int height, std::vector<double> rgb);
vips::VImage noise(int width, int height);
Bytes jpegBytes(const vips::VImage& image, bool progressive = false);
Bytes gifBytes(const vips::VImage& image);

// A bitmap file made by hand: a 40-byte header, `bits` per pixel, a two-entry
// palette for 8 bits and fewer, then `data` as the pixel bytes.
Bytes bitmapBytes(int width, int height, int bits, std::uint32_t compression, const Bytes& data);

// An output file decoded to its last byte; nothing when it is not a whole picture.
struct Decoded {
    int width = 0;
    int height = 0;
    std::vector<double> centre; // R, G, B at the centre
};
std::optional<Decoded> decodeWhole(const fs::path& file);

// The names in a folder, hidden ones included, sorted by byte.
std::vector<std::string> entries(const fs::path& folder);
// The hidden temporary files the atomic writes use, left in a folder.
std::vector<std::string> strayTemporaries(const fs::path& folder);

// A child process: the real command line, or this test program in a helper mode.
struct Child {
    std::vector<std::string> args; // args[0] is the program
    fs::path cwd;                  // empty: the test's own
    uid_t uid = 0;                 // non-zero: run as that user (and group)
    rlim_t fileSizeLimit = RLIM_INFINITY;
    std::vector<std::string> environment; // extra NAME=value entries
};

struct Outcome {
    int status = -1; // the exit status, or 128 + the signal
    std::string out, err;
    double seconds = 0;
    long peakKilobytes = 0; // the child's own peak resident size
};

// A child's exit status when it could not take the user it was given.
inline constexpr int cannotDropPrivileges = 97;

// Starts the child with stdout and stderr sent to files beside `logs`.
pid_t start(const Child& child, const fs::path& logs);
Outcome finish(pid_t pid, const fs::path& logs);
Outcome run(const Child& child, const fs::path& logs);
// tessaline-cli with these arguments.
Child cli(std::vector<std::string> args);

// A tmpfs of `bytes` mounted on `where` (created) for as long as this lives.
// Mounting needs root and a kernel that allows it; check mounted() first.
class SmallDisk {
public:
    SmallDisk(const fs::path& where, std::size_t bytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }
    const fs::path& path() const { return where_; }
    // Fills what is left with a file that is written until the disk refuses.
    void fill() const;
    // Makes the mounted disk read-only; false when the kernel refuses.
    bool remountReadOnly() const;

private:
    fs::path where_;
    bool mounted_ = false;
};

// The main window with the program's own loading and export, faked dialogs and
// message boxes, and its temporary bitmap where it is told.
class Window {
public:
    Window(const fs::path& programFolder, const fs::path& temporaryBitmap);
    ~Window();

    void chooseSource(const fs::path& folder);
    void chooseDestination(const fs::path& folder);
    void setSide(int pixels); // width and height
    void pressStart();
    QStringList listed() const;
    // The text of the one message box the run ended with; empty when none or more.
    QString closingMessage() const;

    MDIForm1& form() { return *form_; }
    FakeMessageBoxes messages;

private:
    FakeFolderDialog folders_;
    FakeUrlOpener opener_;
    VipsPictureLoader decoder_;
    CheckedPictureLoader loader_{decoder_};
    WindowsBitmapStore bitmaps_;
    VipsExporter exporter_{bitmaps_};
    std::unique_ptr<MDIForm1> form_;
};

// As a file name shows in the window's messages.
QString shown(const std::string& name);

} // namespace tessaline::hardening
