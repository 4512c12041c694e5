#include "ExportSettings.h"

#include <algorithm>
#include <charconv>

namespace tessaline {

std::string_view extensionOf(OutputFormat format)
{
    return format == OutputFormat::Gif ? ".gif" : ".jpg";
}

std::optional<int> jpegQualityFromText(std::string_view text)
{
    const bool digitsOnly = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return c >= '0' && c <= '9';
    });
    if (!digitsOnly)
        return std::nullopt;
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 1 || value > 100)
        return std::nullopt; // errc::result_out_of_range for long digit runs
    return value;
}

} // namespace tessaline
