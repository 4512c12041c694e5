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

} // namespace

std::string outputName(std::string_view sourceName, OutputFormat format)
{
    std::string name(stemOf(sourceName));
    name += extensionOf(format);
    return name;
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
                name = stem;
                name += " (";
                name += std::to_string(number);
                name += ')';
                name += extension;
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
