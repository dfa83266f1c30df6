#pragma once

namespace platform {

// Lets the calling thread run only on time the interactive threads leave over. Work such as
// encoding a still takes milliseconds of a core; woken by the main thread, a thread of normal
// priority is put on the main thread's core and takes it over for the whole encoding, so the
// record the main thread was storing waits behind its own picture.
void becomeBackgroundThread();

}  // namespace platform
