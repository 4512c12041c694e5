#include "FitResampler.h"

#include "Geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tessaline {
namespace {

constexpr double lobes = 3.0;

double lanczos(double x)
{
    x = std::abs(x);
    if (x < 1e-9)
        return 1.0;
    if (x >= lobes)
        return 0.0;
    const double px = std::numbers::pi * x;
    return lobes * std::sin(px) * std::sin(px / lobes) / (px * px);
}

// The filter taps of one axis: for each output pixel, the first source index,
// the weights of the source pixels from there on, and the weight that falls on
// white (band) samples. Weights are normalised to sum to 1.
struct AxisTaps {
    int taps = 0;               // weights per output pixel (fixed stride)
    std::vector<int> first;     // per output pixel
    std::vector<int> count;     // per output pixel, <= taps
    std::vector<float> weights; // output pixels x taps
    std::vector<float> white;   // per output pixel
};

// One axis of the mapping. `pictureSide` and `squareSide` are original pixels,
// `loadedSide` the decoded pixels, `outputSide` the output pixels. Where the
// picture fills the square along this axis, samples beyond it repeat its edge
// (the square ends there too); where it does not, they are band and white.
AxisTaps axisTaps(int pictureSide, int loadedSide, int side, int outputSide)
{
    const double offset = (side - pictureSide) / 2.0; // original pixels
    const double toLoaded = static_cast<double>(loadedSide) / pictureSide;
    const double step = static_cast<double>(side) / outputSide * toLoaded; // loaded px per output px
    const double widen = std::max(1.0, step);
    const double radius = lobes * widen;
    const bool fills = pictureSide == side;

    AxisTaps a;
    a.taps = static_cast<int>(std::ceil(radius * 2)) + 3;
    a.first.resize(outputSide);
    a.count.resize(outputSide);
    a.weights.assign(static_cast<std::size_t>(outputSide) * a.taps, 0.f);
    a.white.resize(outputSide);

    std::vector<double> w(a.taps);
    for (int o = 0; o < outputSide; ++o) {
        const double centre = ((o + 0.5) * side / outputSide - offset) * toLoaded;
        const int lo = static_cast<int>(std::floor(centre - radius));
        const int hi = static_cast<int>(std::ceil(centre + radius));
        const int first = std::clamp(lo, 0, loadedSide - 1);
        const int last = std::clamp(hi, 0, loadedSide - 1);
        std::fill(w.begin(), w.end(), 0.0);
        double white = 0, total = 0;
        for (int i = lo; i <= hi; ++i) {
            const double weight = lanczos((i + 0.5 - centre) / widen);
            if (weight == 0.0)
                continue;
            total += weight;
            if (i >= 0 && i < loadedSide)
                w[i - first] += weight;
            else if (fills)
                w[std::clamp(i, 0, loadedSide - 1) - first] += weight;
            else
                white += weight;
        }
        const int count = std::max(0, last - first + 1);
        a.first[o] = first;
        a.count[o] = std::min(count, a.taps);
        const double norm = total != 0 ? 1.0 / total : 0.0;
        for (int k = 0; k < a.count[o]; ++k)
            a.weights[static_cast<std::size_t>(o) * a.taps + k] = static_cast<float>(w[k] * norm);
        a.white[o] = static_cast<float>(white * norm);
    }
    return a;
}

std::uint8_t toByte(float v)
{
    // +0.5 and truncation: lround's exactness at halves is not worth its cost here.
    return static_cast<std::uint8_t>(std::clamp(v + 0.5f, 0.f, 255.f));
}

} // namespace

Picture boxShrink(const Picture& src, int factor)
{
    if (factor <= 1 || src.empty())
        return src;
    const int w = (src.width + factor - 1) / factor, h = (src.height + factor - 1) / factor;
    Picture out(w, h);
    std::vector<std::uint32_t> sums(static_cast<std::size_t>(w) * 3);
    for (int oy = 0; oy < h; ++oy) {
        std::fill(sums.begin(), sums.end(), 0u);
        const int y0 = oy * factor, y1 = std::min(src.height, y0 + factor);
        for (int y = y0; y < y1; ++y) {
            const std::uint8_t* in = src.row(y);
            for (int ox = 0; ox < w; ++ox) {
                const int x0 = ox * factor, x1 = std::min(src.width, x0 + factor);
                std::uint32_t r = 0, g = 0, b = 0;
                for (const std::uint8_t* p = in + 3 * x0; p < in + 3 * x1; p += 3) {
                    r += p[0];
                    g += p[1];
                    b += p[2];
                }
                std::uint32_t* s = sums.data() + static_cast<std::size_t>(ox) * 3;
                s[0] += r;
                s[1] += g;
                s[2] += b;
            }
        }
        std::uint8_t* dst = out.row(oy);
        for (int ox = 0; ox < w; ++ox) {
            // Blocks at the right and bottom edges may be partial: average what is there.
            const std::uint32_t n = static_cast<std::uint32_t>((std::min(src.width, (ox + 1) * factor) - ox * factor) *
                                                               (y1 - y0));
            for (int c = 0; c < 3; ++c)
                dst[3 * ox + c] = static_cast<std::uint8_t>((sums[3 * ox + c] + n / 2) / n);
        }
    }
    return out;
}

Picture renderSquared(const LoadedPicture& loaded, Size output)
{
    // Pictures decoded at full size (bitmaps, GIFs) are first averaged down by
    // whole blocks, as far as the JPEG decoder would have shrunk them: the filter
    // below then touches a fraction of the pixels.
    if (const int factor = jpegShrinkFactor(loaded.pixels.size(), output); factor > 1)
        return renderSquared({boxShrink(loaded.pixels, factor), loaded.original}, output);

    Picture out(output.width, output.height, 255);
    const Picture& src = loaded.pixels;
    if (src.empty() || output.width <= 0 || output.height <= 0 || loaded.original.width <= 0 ||
        loaded.original.height <= 0)
        return out;

    const int side = squareSide(loaded.original);
    const AxisTaps h = axisTaps(loaded.original.width, src.width, side, output.width);
    const AxisTaps v = axisTaps(loaded.original.height, src.height, side, output.height);

    // Vertical pass first, into one float row of the decoded width: contiguous,
    // so the compiler vectorises it, and it leaves only output rows for the
    // horizontal pass. Band rows are white.
    const std::size_t srcFloats = static_cast<std::size_t>(src.width) * 3;
    std::vector<float> column(srcFloats);
    for (int o = 0; o < output.height; ++o) {
        std::fill(column.begin(), column.end(), v.white[o] * 255.f);
        const float* w = v.weights.data() + static_cast<std::size_t>(o) * v.taps;
        for (int k = 0; k < v.count[o]; ++k) {
            const std::uint8_t* line = src.row(v.first[o] + k);
            const float wk = w[k];
            float* acc = column.data();
            for (std::size_t i = 0; i < srcFloats; ++i)
                acc[i] += wk * static_cast<float>(line[i]);
        }
        // Horizontal pass: band columns are white.
        std::uint8_t* dst = out.row(o);
        for (int x = 0; x < output.width; ++x) {
            const float* wx = h.weights.data() + static_cast<std::size_t>(x) * h.taps;
            const float* p = column.data() + static_cast<std::size_t>(h.first[x]) * 3;
            const float white = h.white[x] * 255.f;
            float r = white, g = white, b = white;
            for (int k = 0; k < h.count[x]; ++k) {
                r += wx[k] * p[3 * k];
                g += wx[k] * p[3 * k + 1];
                b += wx[k] * p[3 * k + 2];
            }
            dst[3 * x] = toByte(r);
            dst[3 * x + 1] = toByte(g);
            dst[3 * x + 2] = toByte(b);
        }
    }
    return out;
}

} // namespace tessaline
