#pragma once

// Process-wide flags of runs: set by list creation and by the verification run, read by the window.

#include <atomic>

namespace quorvane {

inline std::atomic<bool> Busy{false};        // a verification or creation run is in progress
inline std::atomic<bool> AppClosing{false};  // the window is closing: a running check skips its end-of-run work

} // namespace quorvane
