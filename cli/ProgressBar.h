#pragma once

// A one-line progress bar for a terminal: files done of total, pictures per
// second and the time left, redrawn in place on stderr.

#include <chrono>
#include <cstdio>
#include <string>

namespace tessaline {

class ProgressBar {
public:
    using Clock = std::chrono::steady_clock;

    ProgressBar(std::FILE* out, int total) : out_(out), total_(total), start_(Clock::now()) {}

    // Redraws the line for `done` files; at most every 100 ms unless it is the last one.
    void update(int done);
    // Clears the line, so the messages that follow start on a clean line.
    void finish();

    // The line for `done` of `total` files after `elapsed` seconds, `width` columns wide.
    static std::string line(int done, int total, double elapsed, int width);

private:
    std::FILE* out_;
    int total_;
    Clock::time_point start_;
    Clock::time_point lastDrawn_{};
    bool drawn_ = false;
};

} // namespace tessaline
