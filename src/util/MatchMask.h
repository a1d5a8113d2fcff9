#pragma once

#include <string_view>

namespace quorvane {

// Wildcard match of one name against one mask: "*" any run, "?" any one byte, ASCII letters without case.
// A mask without "*" matches only names of its own length.
bool MatchMask(std::string_view Mask, std::string_view Name);

} // namespace quorvane
