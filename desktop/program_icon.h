#pragma once
#include <QIcon>

namespace ombrel {

// The program's icon: a small fern, 32 x 32 and larger.
QIcon ProgramIcon();

}  // namespace ombrel
