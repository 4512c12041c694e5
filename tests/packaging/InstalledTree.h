#pragma once

// What the install lays out under its prefix: the same list for a prefix that
// `cmake --install` fills and for the Debian package's /usr.

#include <set>
#include <string>

namespace tessaline::installed {

inline constexpr const char* programFolder = "lib/tessaline";
inline constexpr int iconSides[] = {16, 32, 48, 64, 128, 256};

inline std::string iconPath(int side)
{
    const std::string size = std::to_string(side) + "x" + std::to_string(side);
    return "share/icons/hicolor/" + size + "/apps/tessaline.png";
}

// Every file and link, relative to the prefix; folders not included.
inline std::set<std::string> files()
{
    std::set<std::string> all{
        "bin/tessaline",
        "bin/tessaline-cli",
        "lib/tessaline/paypal.htm",
        "lib/tessaline/tessaline",
        "lib/tessaline/tessaline-cli",
        "share/applications/tessaline.desktop",
        "share/man/man1/tessaline-cli.1.gz",
    };
    for (const int side : iconSides)
        all.insert(iconPath(side));
    return all;
}

} // namespace tessaline::installed
