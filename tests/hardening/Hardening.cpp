#include "Hardening.h"

#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tessaline::hardening {

using vips::VImage;

Scratch::Scratch()
{
    char pattern[] = "/tmp/tessaline-hardening-XXXXXX";
    path_ = ::mkdtemp(pattern);
    fs::permissions(path_, fs::perms::all);
}

Scratch::~Scratch()
{
    std::error_code ec;
    fs::remove_all(path_, ec);
}

fs::path Scratch::folder(const std::string& name) const
{
    fs::create_directories(path_ / name);
    return path_ / name;
}

Bytes readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

namespace {

VImage srgb(const VImage& image)
{
    return image.cast(VIPS_FORMAT_UCHAR)
        .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

Bytes blobBytes(VipsBlob* blob)
{
    std::size_t length = 0;
    const auto* data = static_cast<const std::uint8_t*>(vips_blob_get(blob, &length));
    Bytes bytes(data, data + length);
    vips_area_unref(VIPS_AREA(blob));
    return bytes;
}

} // namespace

VImage photo(int width, int height)
{
    const VImage xy = VImage::xyz(width, height);
    return srgb(VImage::bandjoin(
        {xy.extract_band(0) * (255.0 / width), xy.extract_band(1) * (255.0 / height),
         (xy.extract_band(0) + xy.extract_band(1)) * (127.0 / (width + height))}));
}

VImage flat(int width, int height, std::vector<double> rgb)
{
    return srgb(
        VImage::black(width, height, VImage::option()->set("bands", 3)).new_from_image(rgb));
}

VImage noise(int width, int height)
{
    const auto band = [&] {
        return VImage::gaussnoise(width, height, VImage::option()->set("sigma", 80));
    };
    return srgb(VImage::bandjoin({band(), band(), band()}));
}

Bytes jpegBytes(const VImage& image, bool progressive)
{
    return blobBytes(
        image.jpegsave_buffer(VImage::option()->set("Q", 90)->set("interlace", progressive)));
}

Bytes gifBytes(const VImage& image)
{
    return blobBytes(image.gifsave_buffer());
}

Bytes bitmapBytes(int width, int height, int bits, std::uint32_t compression, const Bytes& data)
{
    const Bytes palette = bits <= 8 ? Bytes{0, 0, 255, 0, 255, 0, 0, 0} : Bytes{};
    Bytes out(54 + palette.size() + data.size(), 0);
    const auto put = [&](std::size_t at, std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    out[0] = 'B';
    out[1] = 'M';
    put(2, static_cast<std::uint32_t>(54 + palette.size() + data.size()), 4);
    put(10, static_cast<std::uint32_t>(54 + palette.size()), 4);
    put(14, 40, 4);
    put(18, static_cast<std::uint32_t>(width), 4);
    put(22, static_cast<std::uint32_t>(height), 4);
    put(26, 1, 2);
    put(28, static_cast<std::uint32_t>(bits), 2);
    put(30, compression, 4);
    put(46, static_cast<std::uint32_t>(palette.size() / 4), 4);
    std::copy(palette.begin(), palette.end(), out.begin() + 54);
    std::copy(data.begin(), data.end(),
              out.begin() + 54 + static_cast<std::ptrdiff_t>(palette.size()));
    return out;
}

std::optional<Decoded> decodeWhole(const fs::path& file)
{
    try {
        const VImage image =
            VImage::new_from_file(file.c_str(), VImage::option()
                                                    ->set("fail_on", VIPS_FAIL_ON_TRUNCATED)
                                                    ->set("access", VIPS_ACCESS_SEQUENTIAL));
        const VImage pixels = image.copy_memory(); // reads to the last byte, or throws
        Decoded d{pixels.width(), pixels.height(),
                  pixels.getpoint(pixels.width() / 2, pixels.height() / 2)};
        d.centre.resize(3);
        return d;
    } catch (const vips::VError&) {
        vips_error_clear();
        return std::nullopt;
    }
}

std::vector<std::string> entries(const fs::path& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> strayTemporaries(const fs::path& folder)
{
    std::vector<std::string> stray;
    for (const std::string& name : entries(folder))
        if (name.starts_with(".tessaline-"))
            stray.push_back(name);
    return stray;
}

pid_t start(const Child& child, const fs::path& logs)
{
    std::vector<std::string> args = child.args;
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e)
        envStrings.emplace_back(*e);
    envStrings.insert(envStrings.end(), child.environment.begin(), child.environment.end());
    std::vector<char*> envp;
    for (std::string& e : envStrings)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    const std::string out = logs.string() + ".out", err = logs.string() + ".err";

    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    // The child: only async-signal-safe calls until exec.
    const int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    ::dup2(outFd, 1);
    ::dup2(errFd, 2);
    ::close(0);
    if (!child.cwd.empty() && ::chdir(child.cwd.c_str()) != 0)
        ::_exit(127);
    if (child.fileSizeLimit != RLIM_INFINITY) {
        ::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails with EFBIG instead
        const rlimit limit{child.fileSizeLimit, child.fileSizeLimit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (child.uid != 0 && (::setgid(child.uid) != 0 || ::setuid(child.uid) != 0))
        ::_exit(cannotDropPrivileges);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
}

Outcome finish(pid_t pid, const fs::path& logs)
{
    const auto began = std::chrono::steady_clock::now();
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    Outcome o;
    o.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    o.peakKilobytes = usage.ru_maxrss;
    const auto text = [](const fs::path& path) {
        const Bytes bytes = readFile(path);
        return std::string(bytes.begin(), bytes.end());
    };
    o.out = text(logs.string() + ".out");
    o.err = text(logs.string() + ".err");
    return o;
}

Outcome run(const Child& child, const fs::path& logs)
{
    const auto began = std::chrono::steady_clock::now();
    Outcome o = finish(start(child, logs), logs);
    o.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    return o;
}

Child cli(std::vector<std::string> args)
{
    args.insert(args.begin(), TESSALINE_CLI);
    Child child;
    child.args = std::move(args);
    return child;
}

SmallDisk::SmallDisk(const fs::path& where, std::size_t bytes) : where_(where)
{
    fs::create_directories(where);
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0777";
    mounted_ = ::mount("tessaline-test", where.c_str(), "tmpfs", MS_NOSUID | MS_NODEV,
                       options.c_str()) == 0;
}

SmallDisk::~SmallDisk()
{
    if (mounted_)
        ::umount2(where_.c_str(), MNT_DETACH);
}

void SmallDisk::fill() const
{
    const int fd = ::open((where_ / "filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const std::vector<char> block(4096, 'f');
    while (fd >= 0 && ::write(fd, block.data(), block.size()) > 0) {
    }
    // The last pages may take a few more bytes.
    while (fd >= 0 && ::write(fd, block.data(), 1) > 0) {
    }
    ::close(fd);
}

bool SmallDisk::remountReadOnly() const
{
    return mounted_ && ::mount(nullptr, where_.c_str(), nullptr,
                               MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV, nullptr) == 0;
}

Window::Window(const fs::path& programFolder, const fs::path& temporaryBitmap)
{
    const QString program = QFile::decodeName(programFolder.c_str());
    form_ = std::make_unique<MDIForm1>(
        MDIForm1::Services{folders_, opener_, messages, loader_, bitmaps_, exporter_, program,
                           QFile::decodeName(temporaryBitmap.c_str())});
    form_->start();
}

Window::~Window() = default;

void Window::chooseSource(const fs::path& folder)
{
    folders_.answers = {QFile::decodeName(folder.c_str())};
    QTest::mouseClick(form_->findChild<QPushButton*>(QStringLiteral("Command2")), Qt::LeftButton);
}

void Window::chooseDestination(const fs::path& folder)
{
    folders_.answers = {QFile::decodeName(folder.c_str())};
    QTest::mouseClick(form_->findChild<QPushButton*>(QStringLiteral("Command3")), Qt::LeftButton);
}

void Window::setSide(int pixels)
{
    for (const char* name : {"Text3", "Text4"})
        form_->findChild<QLineEdit*>(QLatin1String(name))->setText(QString::number(pixels));
}

void Window::pressStart()
{
    QTest::mouseClick(form_->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
}

QStringList Window::listed() const
{
    const auto* list = form_->findChild<QListWidget*>(QStringLiteral("File1"));
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names << list->item(i)->text();
    return names;
}

QString Window::closingMessage() const
{
    return messages.shown.size() == 1 ? messages.shown.front().text : QString();
}

QString shown(const std::string& name)
{
    return QFile::decodeName(QByteArray::fromStdString(name));
}

} // namespace tessaline::hardening
