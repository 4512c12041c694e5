#pragma once

// The pictures a folder offers: regular files (or links to them) whose names end
// in .gif, .jpg or .bmp in any case, hidden ones (a leading dot) left out,
// sorted ignoring case. Names are the file system's own bytes.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tessaline {

// True when the name matches "*.gif;*.jpg;*.bmp", ignoring case.
bool isListedPictureName(std::string_view name);

// The listed names of `folder`, bare (no folder); empty when the folder cannot be read.
std::vector<std::string> listPictures(const std::filesystem::path& folder);

// Joins a folder and a name with "/" (one separator even when the folder ends in one).
std::string joinPath(std::string_view folder, std::string_view name);

} // namespace tessaline
