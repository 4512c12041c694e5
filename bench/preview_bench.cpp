// Times FitPipeline::render on real files, as the windows and the batch run call it.
//
//   preview_bench [--size WxH]... [--repeat N] [--write DIR] FILE...
//       One line per file and size, tab-separated:
//         file  size  decoded  best_ms  median_ms  cpu_ms  load_ms  fit_ms
//       "decoded" is what the loader handed over (after shrink-on-load); best_ms and
//       median_ms are whole renders, cpu_ms the process CPU time of the fastest one,
//       load_ms and fit_ms the best loader call and the best resample on their own.
//       With --write, the first size's render of each file goes to DIR/<name>.ppm.
//   preview_bench --rss FILE [--size WxH]
//       Renders FILE once and prints the peak resident set size, in KiB, before and
//       after the render: run it in a fresh process for each measurement.

#include "FitPipeline.h"
#include "FitResampler.h"
#include "VipsPictureLoader.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <vector>

using namespace tessaline;

namespace {

struct Options {
    std::vector<Size> sizes;
    int repeat = 5;
    std::string writeDir;
    std::string rssFile;
    std::vector<std::string> files;
};

double nowMs()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

double cpuMs()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return ms(u.ru_utime) + ms(u.ru_stime);
}

long peakRssKib()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

bool parseSize(const char* text, Size& size)
{
    return std::sscanf(text, "%dx%d", &size.width, &size.height) == 2 && size.width > 0 &&
           size.height > 0;
}

int usage()
{
    std::fprintf(stderr, "usage: preview_bench [--size WxH]... [--repeat N] [--write DIR] FILE...\n"
                         "       preview_bench --rss FILE [--size WxH]\n");
    return 2;
}

bool parse(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--size" && hasValue) {
            Size s;
            if (!parseSize(argv[++i], s))
                return false;
            o.sizes.push_back(s);
        } else if (arg == "--repeat" && hasValue) {
            o.repeat = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--write" && hasValue) {
            o.writeDir = argv[++i];
        } else if (arg == "--rss" && hasValue) {
            o.rssFile = argv[++i];
        } else if (!arg.empty() && arg[0] == '-') {
            return false;
        } else {
            o.files.push_back(arg);
        }
    }
    if (o.sizes.empty())
        o.sizes.push_back({300, 300});
    return !o.rssFile.empty() || !o.files.empty();
}

std::string baseName(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const auto dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

bool writePpm(const Picture& picture, const std::string& path)
{
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << picture.width << ' ' << picture.height << "\n255\n";
    out.write(reinterpret_cast<const char*>(picture.rgb.data()),
              static_cast<std::streamsize>(picture.rgb.size()));
    return static_cast<bool>(out);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// Times one file at one size; false when the file does not render.
bool timeFile(const std::string& file, Size size, int repeat, const std::string& ppm)
{
    VipsPictureLoader loader;
    const FitPipeline pipeline(loader);

    Result<LoadedPicture> first = loader.load(file, size);
    if (!first) {
        std::fprintf(stderr, "%s: %s\n", file.c_str(), first.failure().detail.c_str());
        return false;
    }
    const LoadedPicture loaded = std::move(first.value());

    std::vector<double> wall;
    double bestCpu = 0, bestLoad = 1e300, bestFit = 1e300;
    for (int i = 0; i < repeat; ++i) {
        const double c0 = cpuMs(), t0 = nowMs();
        Result<Picture> rendered = pipeline.render(file, size);
        const double t1 = nowMs(), c1 = cpuMs();
        if (!rendered)
            return false;
        if (wall.empty() || t1 - t0 < *std::min_element(wall.begin(), wall.end()))
            bestCpu = c1 - c0;
        wall.push_back(t1 - t0);
        if (i == 0 && !ppm.empty() && !writePpm(rendered.value(), ppm))
            std::fprintf(stderr, "%s: cannot write\n", ppm.c_str());

        const double l0 = nowMs();
        const bool reloaded = static_cast<bool>(loader.load(file, size));
        const double l1 = nowMs();
        const Picture fitted = renderSquared(loaded, size);
        const double f1 = nowMs();
        if (reloaded)
            bestLoad = std::min(bestLoad, l1 - l0);
        if (!fitted.empty())
            bestFit = std::min(bestFit, f1 - l1);
    }
    std::printf("%s\t%dx%d\t%dx%d\t%.2f\t%.2f\t%.2f\t%.2f\t%.2f\n", file.c_str(), size.width,
                size.height, loaded.pixels.width, loaded.pixels.height,
                *std::min_element(wall.begin(), wall.end()), median(wall), bestCpu, bestLoad,
                bestFit);
    std::fflush(stdout);
    return true;
}

int measureRss(const Options& o)
{
    const long before = peakRssKib();
    VipsPictureLoader loader;
    const FitPipeline pipeline(loader);
    Result<Picture> rendered = pipeline.render(o.rssFile, o.sizes.front());
    if (!rendered) {
        std::fprintf(stderr, "%s: %s\n", o.rssFile.c_str(), rendered.failure().detail.c_str());
        return 1;
    }
    std::printf("%ld\t%ld\n", before, peakRssKib());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    if (!parse(argc, argv, o))
        return usage();
    if (!startVips(argv[0])) {
        std::fprintf(stderr, "preview_bench: libvips does not start\n");
        return 1;
    }
    if (!o.rssFile.empty())
        return measureRss(o);

    int failures = 0;
    for (const std::string& file : o.files) {
        for (std::size_t s = 0; s < o.sizes.size(); ++s) {
            const std::string ppm =
                s == 0 && !o.writeDir.empty() ? o.writeDir + "/" + baseName(file) + ".ppm" : "";
            failures += timeFile(file, o.sizes[s], o.repeat, ppm) ? 0 : 1;
        }
    }
    return failures == 0 ? 0 : 1;
}
