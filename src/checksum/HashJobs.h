#pragma once

// How many files are hashed at once, and which disks are read one file at a time. Shared by the check and
// the creation runs.

#include <cstdint>
#include <functional>

namespace quorvane {

// How many files a run hashes at once when asked for Jobs (0: one per online CPU; at most 64).
unsigned EffectiveJobs(int Jobs);

// True when the device holds a rotational disk (a partition counts as its disk), which is read one file
// at a time, in list order, so that it never seeks between files. Devices that are no block device
// (tmpfs, network file systems) are not rotational. Tests may replace the look-up (nullptr restores the
// system's).
bool RotationalDevice(std::uint64_t Device);
void SetRotationalLookup(std::function<bool(std::uint64_t Device)> Lookup);

} // namespace quorvane
