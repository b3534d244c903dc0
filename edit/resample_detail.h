#pragma once
// Test hook of the resize's progress reports: the millisecond clock they are timed by.
#include <cstdint>
#include <functional>

namespace edit {

using ProgressClock = std::function<int64_t()>;
// Returns the clock in use before.
ProgressClock SetProgressClockForTesting(ProgressClock clock);

}  // namespace edit
