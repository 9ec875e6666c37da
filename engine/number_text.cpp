#include "engine/number_text.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace ombrel {

bool ParseWord32(const std::string& s, uint32_t& value) {
    const bool hex = s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X');
    const std::string digits = hex ? s.substr(2) : s;
    const auto isDigit = [hex](char c) {
        return hex ? std::isxdigit(static_cast<unsigned char>(c)) != 0 : c >= '0' && c <= '9';
    };
    if (digits.empty() || digits.size() > (hex ? 8u : 18u) || !std::all_of(digits.begin(), digits.end(), isDigit))
        return false;
    const unsigned long long v = std::strtoull(digits.c_str(), nullptr, hex ? 16 : 10);
    if (v > 0xFFFFFFFFull) return false;
    value = static_cast<uint32_t>(v);
    return true;
}

bool ParseWhole(const std::string& s, int64_t& value) {
    if (s.empty() || s.size() > 18 || !std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    value = std::strtoll(s.c_str(), nullptr, 10);
    return true;
}

bool ParseReal(const std::string& s, double& value) {
    const size_t dot = s.find('.');
    const std::string whole = s.substr(0, dot), fraction = dot == std::string::npos ? "0" : s.substr(dot + 1);
    const auto digits = [](const std::string& d) {
        return !d.empty() && std::all_of(d.begin(), d.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (s.size() > 18 || !digits(whole) || !digits(fraction)) return false;
    value = std::strtod(s.c_str(), nullptr);
    return true;
}

bool ParseSize(const std::string& s, int64_t& width, int64_t& height) {
    const size_t x = s.find('x');
    return x != std::string::npos && ParseWhole(s.substr(0, x), width) && ParseWhole(s.substr(x + 1), height);
}

}  // namespace ombrel
