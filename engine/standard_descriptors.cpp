#include "engine/standard_descriptors.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace ombrel {

void OpenMissingStandardDescriptors() noexcept {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // The lowest free descriptor: this one, as the lower ones are open.
        const int opened = open("/dev/null", O_RDWR);
        if (opened > 2) close(opened);
    }
}

}  // namespace ombrel
