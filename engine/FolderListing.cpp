#include "FolderListing.h"

#include <algorithm>
#include <system_error>

namespace tessaline {
namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool endsWithIgnoringCase(std::string_view name, std::string_view suffix)
{
    if (name.size() < suffix.size())
        return false;
    return std::equal(suffix.begin(), suffix.end(), name.end() - suffix.size(),
                      [](char a, char b) { return lower(a) == lower(b); });
}

bool lessIgnoringCase(const std::string& a, const std::string& b)
{
    const auto byLower = [](char x, char y) {
        return static_cast<unsigned char>(lower(x)) < static_cast<unsigned char>(lower(y));
    };
    if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), byLower))
        return true;
    if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), byLower))
        return false;
    return a < b; // names differing only in case: a stable, repeatable order
}

} // namespace

bool isListedPictureName(std::string_view name)
{
    // "*.gif" needs no stem: ".gif" alone is a hidden file and left out below.
    return endsWithIgnoringCase(name, ".gif") || endsWithIgnoringCase(name, ".jpg") ||
           endsWithIgnoringCase(name, ".bmp");
}

std::vector<std::string> listPictures(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name[0] == '.' || !isListedPictureName(name))
            continue;
        std::error_code statError;
        if (!it->is_regular_file(statError)) // follows links; folders named photo.jpg are not pictures
            continue;
        names.push_back(name);
    }
    std::sort(names.begin(), names.end(), lessIgnoringCase);
    return names;
}

std::string joinPath(std::string_view folder, std::string_view name)
{
    std::string path(folder);
    if (path.empty() || path.back() != '/')
        path += '/';
    path += name;
    return path;
}

} // namespace tessaline
