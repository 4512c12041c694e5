#include "ProgressBar.h"

#include <algorithm>
#include <cmath>

namespace tessaline {
namespace {

std::string clock(double seconds)
{
    const long s = std::lround(std::max(0.0, seconds));
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

} // namespace

std::string ProgressBar::line(int done, int total, double elapsed, int width)
{
    const double rate = elapsed > 0 ? done / elapsed : 0;
    char tail[96];
    if (done > 0 && done < total)
        std::snprintf(tail, sizeof tail, " %d/%d  %.1f pict/s  %s left", done, total, rate,
                      clock((total - done) / rate).c_str());
    else
        std::snprintf(tail, sizeof tail, " %d/%d  %.1f pict/s  %s", done, total, rate, clock(elapsed).c_str());
    const int barWidth = std::max(10, width - static_cast<int>(std::string(tail).size()) - 2);
    const int filled = total > 0 ? static_cast<int>(static_cast<long long>(barWidth) * done / total) : barWidth;
    return "[" + std::string(filled, '#') + std::string(barWidth - filled, '.') + "]" + tail;
}

void ProgressBar::update(int done)
{
    const auto now = Clock::now();
    if (drawn_ && done < total_ && now - lastDrawn_ < std::chrono::milliseconds(100))
        return;
    lastDrawn_ = now;
    drawn_ = true;
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    std::fprintf(out_, "\r%s", line(done, total_, elapsed, 72).c_str());
    std::fflush(out_);
}

void ProgressBar::finish()
{
    if (drawn_)
        std::fprintf(out_, "\r%*s\r", 80, "");
    std::fflush(out_);
}

} // namespace tessaline
