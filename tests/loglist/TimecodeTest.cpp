// Frames counted at the drop-frame rate.

#include <gtest/gtest.h>

#include "loglist/Timecode.h"

namespace {

// A drop-frame day skips two labels a minute but every tenth: what a stop's duration and a
// locate count with.
TEST(Timecode, FramesAndLabelsAtEveryRate) {
    EXPECT_EQ(timecode::framesPerDay(timecode::FrameRate{30, true}), 2'589'408);
}

}  // namespace
