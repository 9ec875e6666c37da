#pragma once
#include <cstdint>
#include <string>

namespace ombrel {

// Numbers as users write them on a command line or in the environment.
// Nothing but the digits is accepted: no sign, no space, no suffix.

// A 32-bit number: decimal, or hexadecimal after 0x.
bool ParseWord32(const std::string& text, uint32_t& value);

// A whole decimal number of at most 18 digits.
bool ParseWhole(const std::string& text, int64_t& value);

// A decimal number with an optional fraction: 2, 0.5, 12.75 (at most 18 characters).
bool ParseReal(const std::string& text, double& value);

// A size as WIDTHxHEIGHT, each a whole decimal number.
bool ParseSize(const std::string& text, int64_t& width, int64_t& height);

}  // namespace ombrel
