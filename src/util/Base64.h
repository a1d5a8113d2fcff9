#pragma once

#include <string>
#include <string_view>

namespace quorvane {

// Decodes RFC 4648 base64; every character outside the alphabet ("=", line breaks) is skipped,
// a final lone character is dropped.
std::string Base64Decode(std::string_view Text);

} // namespace quorvane
