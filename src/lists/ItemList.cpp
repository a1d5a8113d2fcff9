#include "lists/ItemList.h"

#include "util/FileIo.h"

namespace quorvane {

std::int64_t FileSize64(const std::string& Path) {
    const TPathInfo Info = PathInfo(Path);
    return Info.IsFile() ? Info.Size : -1;
}

} // namespace quorvane
