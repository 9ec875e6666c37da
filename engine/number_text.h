#pragma once
#include <cstdint>
#include <string>

namespace ombrel {

// A 32-bit number as users write one on a command line or in the
// environment: decimal, or hexadecimal after 0x. Nothing else is accepted.
bool ParseWord32(const std::string& text, uint32_t& value);

}  // namespace ombrel
