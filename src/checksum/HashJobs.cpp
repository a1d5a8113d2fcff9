#include "checksum/HashJobs.h"

#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <mutex>
#include <string>

namespace quorvane {

namespace {

std::mutex RotationalGuard;
std::function<bool(std::uint64_t)> RotationalOverride;

bool ReadsOne(const std::string& Path) {
    std::ifstream In(Path);
    int Value = 0;
    return In >> Value && Value == 1;
}

} // namespace

unsigned EffectiveJobs(int Jobs) {
    constexpr unsigned Most = 64;
    if (Jobs > 0)
        return std::min(static_cast<unsigned>(Jobs), Most);
    const long Online = ::sysconf(_SC_NPROCESSORS_ONLN);
    return Online > 1 ? std::min(static_cast<unsigned>(Online), Most) : 1;
}

void SetRotationalLookup(std::function<bool(std::uint64_t)> Lookup) {
    const std::lock_guard Lock(RotationalGuard);
    RotationalOverride = std::move(Lookup);
}

bool RotationalDevice(std::uint64_t Device) {
    static std::map<std::uint64_t, bool> Known;
    const std::lock_guard Lock(RotationalGuard);
    if (RotationalOverride)
        return RotationalOverride(Device);
    if (const auto It = Known.find(Device); It != Known.end())
        return It->second;
    // /sys/dev/block/MAJ:MIN is the disk or one of its partitions, whose disk is the folder above.
    const std::string Block = "/sys/dev/block/" + std::to_string(major(static_cast<dev_t>(Device))) + ":" +
                              std::to_string(minor(static_cast<dev_t>(Device)));
    const bool Rotational = ReadsOne(Block + "/queue/rotational") ||
                            (::access((Block + "/partition").c_str(), F_OK) == 0 &&
                             ReadsOne(Block + "/../queue/rotational"));
    return Known[Device] = Rotational;
}

} // namespace quorvane
