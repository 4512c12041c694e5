#pragma once

// What an export writes: the format and, for JPEG, the quality as the quality
// field's own text (it is read here, strictly, not by the window).

#include <optional>
#include <string>
#include <string_view>

namespace tessaline {

enum class OutputFormat { Jpeg, Gif };

struct ExportSettings {
    OutputFormat format = OutputFormat::Jpeg;
    std::string quality = "75"; // the quality field's text; read for JPEG only
};

// The extension an output of this format carries, dot included: ".jpg" or ".gif".
std::string_view extensionOf(OutputFormat format);

// The JPEG quality a text asks for: ASCII digits only, value 1 to 100 ("075" is
// 75); nothing for anything else (blanks, signs, decimals, "0", "101", "").
std::optional<int> jpegQualityFromText(std::string_view text);

} // namespace tessaline
