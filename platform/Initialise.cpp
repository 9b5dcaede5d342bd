#include "platform/Initialise.h"

#include <signal.h>

#include "platform/Threads.h"

namespace platform {

void initialise() {
    // A write past RLIMIT_FSIZE then fails with EFBIG, which the writers raise as an error.
    ::signal(SIGXFSZ, SIG_IGN);
    SetMainThread();
}

}  // namespace platform
