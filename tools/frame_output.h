#pragma once
#include <cstdint>
#include <string>

#include "engine/frame_store.h"

namespace ombrel {

// Write the frame to `path` through a temporary file that is renamed into
// place, so an interrupted run leaves no half-written image. On failure
// returns false and sets `error`.
bool WriteFramePng(const TFrameStore& display, int frame, uint32_t color, const std::string& path,
                   std::string& error);
bool WriteFramePbm(const TFrameStore& display, int frame, const std::string& path, std::string& error);

}  // namespace ombrel
