#include "OutputNaming.h"

#include <unordered_map>
#include <unordered_set>

namespace tessaline {
namespace {

// The name without its extension; a leading dot starts a hidden name, not an extension.
std::string_view stemOf(std::string_view name)
{
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos || dot == 0 ? name : name.substr(0, dot);
}

std::string folded(std::string_view name)
{
    std::string key(name);
    for (char& c : key)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return key;
}

// The stem, shortened where needed so that stem and suffix fit in one name of
// the file system (255 bytes); a cut never splits a UTF-8 character.
std::string fitted(std::string_view stem, std::string_view suffix)
{
    if (stem.size() + suffix.size() > maxNameBytes) {
        std::size_t cut = maxNameBytes > suffix.size() ? maxNameBytes - suffix.size() : 0;
        while (cut > 0 && (static_cast<unsigned char>(stem[cut]) & 0xC0) == 0x80)
            --cut;
        stem = stem.substr(0, cut);
    }
    std::string name(stem);
    name += suffix;
    return name;
}

} // namespace

std::string outputName(std::string_view sourceName, OutputFormat format)
{
    return fitted(stemOf(sourceName), extensionOf(format));
}

std::vector<std::string> outputNames(const std::vector<std::string>& sourceNames,
                                     OutputFormat format)
{
    std::vector<std::string> names;
    names.reserve(sourceNames.size());
    std::unordered_set<std::string> plain;
    for (const std::string& source : sourceNames)
        plain.insert(folded(outputName(source, format)));

    std::unordered_set<std::string> given;
    // The next number to try for a plain name, so a long run of twins stays linear.
    std::unordered_map<std::string, int> nextNumber;
    const std::string_view extension = extensionOf(format);
    for (const std::string& source : sourceNames) {
        std::string name = outputName(source, format);
        std::string key = folded(name);
        if (given.contains(key)) {
            const std::string stem(stemOf(source));
            int& number = nextNumber.try_emplace(key, 2).first->second;
            for (;; ++number) {
                std::string suffix = " (";
                suffix += std::to_string(number);
                suffix += ')';
                suffix += extension;
                name = fitted(stem, suffix);
                const std::string candidate = folded(name);
                if (!given.contains(candidate) && !plain.contains(candidate))
                    break;
            }
            key = folded(name);
        }
        given.insert(key);
        names.push_back(std::move(name));
    }
    return names;
}

} // namespace tessaline
