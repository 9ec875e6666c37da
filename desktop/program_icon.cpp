#include "desktop/program_icon.h"

// Resources in a static library are registered by hand.
static void InitIconResources() { Q_INIT_RESOURCE(ombrel); }

namespace ombrel {

QIcon ProgramIcon() {
    [[maybe_unused]] static const bool registered = (InitIconResources(), true);
    QIcon icon;
    for (int size : {32, 48, 256}) icon.addFile(QString(":/ombrel/ombrel-%1.png").arg(size), QSize(size, size));
    return icon;
}

}  // namespace ombrel
