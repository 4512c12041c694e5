#pragma once

// Fake twins of the engine's export seams, for tests: bitmaps kept in memory,
// conversions recorded with the bitmap they read, scripted failures.

#include "Exporter.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace tessaline {

class FakeBitmapStore final : public BitmapStore {
public:
    std::map<std::string, Picture> files;
    bool failSaves = false;

    std::optional<Failure> save(const Picture& picture, const std::string& path) override
    {
        if (failSaves)
            return Failure{path, FailureKind::WriteFailed, "fake disk full", 28};
        files[path] = picture;
        return std::nullopt;
    }
    Result<Picture> load(const std::string& path) override
    {
        if (auto f = files.find(path); f != files.end())
            return f->second;
        return Failure{path, FailureKind::NotFound, "no such fake bitmap"};
    }
};

class FakeExporter final : public Exporter {
public:
    struct Call {
        OutputFormat format;
        std::string bitmap, destination, quality; // quality empty for GIF
        Picture picture;                          // what the bitmap held at the call
    };
    explicit FakeExporter(BitmapStore& bitmaps) : bitmaps_(bitmaps) {}

    std::vector<Call> calls;
    std::set<std::string> failing; // destinations refused with EACCES

    std::optional<Failure> convertToJpeg(const std::string& bitmap, const std::string& destination,
                                         const std::string& quality) override
    {
        return record(
            {OutputFormat::Jpeg, bitmap, destination, quality, bitmaps_.load(bitmap).value()});
    }
    std::optional<Failure> convertToGif(const std::string& bitmap,
                                        const std::string& destination) override
    {
        return record({OutputFormat::Gif, bitmap, destination, {}, bitmaps_.load(bitmap).value()});
    }
    std::optional<Failure> writePicture(const Picture& picture, const std::string& destination,
                                        const ExportSettings& settings) override
    {
        return record({settings.format, {}, destination, settings.quality, picture});
    }

private:
    std::optional<Failure> record(Call call)
    {
        calls.push_back(call);
        if (failing.contains(call.destination))
            return Failure{call.destination, FailureKind::WriteFailed, "fake refusal", 13};
        return std::nullopt;
    }
    BitmapStore& bitmaps_;
};

} // namespace tessaline
