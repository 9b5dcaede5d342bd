#include "platform/Initialise.h"

#include <signal.h>

namespace platform {

void initialise() {
    // A write past RLIMIT_FSIZE then fails with EFBIG, which the writers raise as an error.
    ::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace platform
