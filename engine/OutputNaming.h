#pragma once

// The names a run writes. An output carries its format's extension in place of
// the source's: "photo.bmp" becomes "photo.jpg" (or "photo.gif"); a name without
// an extension gets one added.
//
// No two outputs of one run share a name. Names are compared ignoring ASCII case,
// so a run is just as safe on FAT, exFAT or SMB folders, where "Photo.jpg" and
// "photo.jpg" are one file. The first source in list order whose output name is
// "photo.jpg" keeps it; every later one gets "photo (2).jpg", "photo (3).jpg" and
// so on: the lowest number whose name is neither an output already given nor the
// plain output name of any source of the run, so a source listed later as
// "photo (2).jpg" still keeps its own name. Files that were in the destination
// before the run do not count: they are replaced. A name that would pass the
// file system's 255 bytes has its stem shortened (never inside a UTF-8
// character), so "<251 bytes>.gif" beside "<251 bytes>.jpg" still gets a twin.

#include "ExportSettings.h"

#include <string>
#include <string_view>
#include <vector>

namespace tessaline {

// The longest name, in bytes, that Linux file systems take.
inline constexpr std::size_t maxNameBytes = 255;

// The plain output name of one source name.
std::string outputName(std::string_view sourceName, OutputFormat format);

// The output names of a whole run, one per source name, in the same order.
std::vector<std::string> outputNames(const std::vector<std::string>& sourceNames,
                                     OutputFormat format);

} // namespace tessaline
