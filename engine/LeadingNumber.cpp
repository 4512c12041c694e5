#include "LeadingNumber.h"

#include "Geometry.h"

#include <charconv>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace tessaline {
namespace {

bool ignored(char c) { return c == ' ' || c == '\t' || c == '\n'; }

std::string withoutBlanks(std::string_view text)
{
    std::string s;
    s.reserve(text.size());
    for (char c : text)
        if (!ignored(c))
            s += c;
    return s;
}

int digitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 99;
}

// &H and &O literals. Up to 16 bits they read as a signed 16-bit value and up to
// 32 bits as a signed 32-bit one, so &HFFFF is -1, as in the classic runtime.
double radixNumber(std::string_view s, int radix)
{
    std::uint64_t value = 0;
    std::size_t i = 0;
    for (; i < s.size() && digitValue(s[i]) < radix; ++i) {
        value = value * radix + digitValue(s[i]);
        if (value > 0xFFFFFFFFu)
            return std::numeric_limits<double>::infinity();
    }
    if (i == 0)
        return 0;
    if (value <= 0xFFFF)
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

double decimalNumber(const std::string& s)
{
    std::size_t i = 0;
    std::string literal;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        if (s[i] == '-')
            literal += '-';
        ++i;
    }
    std::size_t digits = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
        literal += s[i++];
        ++digits;
    }
    if (i < s.size() && s[i] == '.') {
        literal += s[i++];
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
            literal += s[i++];
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            exponent += s[j++];
        const std::size_t first = j;
        while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j])))
            exponent += s[j++];
        if (j > first)
            literal += exponent;
    }
    // from_chars ignores the process locale: the period is the separator everywhere.
    double value = 0;
    const auto [end, error] = std::from_chars(literal.data(), literal.data() + literal.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        // Tiny magnitudes underflow to zero; large ones are out of any range we accept.
        const bool negative = literal[0] == '-';
        const bool tiny = literal.find("e-") != std::string::npos;
        if (tiny)
            return 0;
        return negative ? -std::numeric_limits<double>::infinity()
                        : std::numeric_limits<double>::infinity();
    }
    return value;
}

} // namespace

double leadingNumber(std::string_view text)
{
    const std::string s = withoutBlanks(text);
    if (!s.empty() && s[0] == '&') {
        if (s.size() > 1 && (s[1] == 'H' || s[1] == 'h'))
            return radixNumber(std::string_view(s).substr(2), 16);
        if (s.size() > 1 && (s[1] == 'O' || s[1] == 'o'))
            return radixNumber(std::string_view(s).substr(2), 8);
        return radixNumber(std::string_view(s).substr(1), 8);
    }
    return decimalNumber(s);
}

std::optional<int> outputSideFromText(std::string_view text)
{
    const double value = leadingNumber(text);
    if (!std::isfinite(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value); // the default mode rounds half to even
    if (rounded < minOutputSide || rounded > maxOutputSide)
        return std::nullopt;
    return static_cast<int>(rounded);
}

} // namespace tessaline
