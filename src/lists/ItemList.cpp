#include "lists/ItemList.h"

#include <sys/stat.h>

namespace quorvane {

std::int64_t FileSize64(const std::string& Path) {
    struct stat St {};
    if (::stat(Path.c_str(), &St) != 0 || !S_ISREG(St.st_mode))
        return -1;
    return static_cast<std::int64_t>(St.st_size);
}

} // namespace quorvane
