#include "engine/background_thread.h"

#include <sys/resource.h>
#include <unistd.h>

namespace ombrel {

void RunInBackground() noexcept {
    // On Linux the nice value is per thread; failure only costs smoothness.
    static_cast<void>(setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10));
}

}  // namespace ombrel
