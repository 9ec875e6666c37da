#pragma once
#include <cstdint>
#include <string>

#include "engine/frame_store.h"

namespace ombrel {

// Paths are taken byte for byte, as the command line gave them. Every
// function returns false on failure and sets `error` to one line that
// names the path and the reason.

// Makes the folder and any missing parents, and checks that files can be made in it.
bool PrepareOutputFolder(const std::string& dir, std::string& error);

// Writes the frame to `path` through a temporary file in the same folder
// that is renamed into place only when every byte is written, so a failure
// (a full disk, a signal) leaves no file, whole or partial, behind. The
// frame's colour is that of `colour`, the frame of the figure's first display.
bool WriteFramePng(const TFrameStore& display, int frame, const TMorphFrame& colour, const std::string& path,
                   std::string& error);
bool WriteFramePbm(const TFrameStore& display, int frame, const std::string& path, std::string& error);

}  // namespace ombrel
