#pragma once

// Process-wide flags shared by the user-interface thread and the verification worker.

#include <atomic>

inline std::atomic<bool> Busy{false};        // a verification or creation run is in progress
inline std::atomic<bool> AppClosing{false};  // the window is closing: a running check skips its end-of-run work
