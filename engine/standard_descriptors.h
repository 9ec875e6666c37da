#pragma once

namespace ombrel {

// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed. Call it
// first: otherwise the next file, pipe or server connection opened lands
// there, and a stray write to standard output or error goes into it.
void OpenMissingStandardDescriptors() noexcept;

}  // namespace ombrel
