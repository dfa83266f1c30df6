#include "platform/BackgroundThread.h"

#include <pthread.h>
#include <sched.h>

namespace platform {

void becomeBackgroundThread() {
#ifdef SCHED_IDLE
    // Lowering a thread's own policy needs no privilege. Should it fail, the work still runs,
    // only at normal priority.
    sched_param param{};
    pthread_setschedparam(pthread_self(), SCHED_IDLE, &param);
#endif
}

}  // namespace platform
