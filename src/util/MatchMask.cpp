// Wildcard match with one backtrack point (the last "*" met), as file masks work. When the mask is used
// up while name characters remain, the match returns to the backtrack point like on a difference,
// so a mask without "*" matches only names of its own length.

#include "util/MatchMask.h"

#include "util/StringUtils.h"

namespace quorvane {

namespace {

bool SameFolded(char A, char B) {
    return FoldAsciiLower(A) == FoldAsciiLower(B);
}

} // namespace

bool MatchMask(std::string_view Mask, std::string_view Name) {
    if (Mask == "*")
        return true;
    constexpr std::size_t Unset = std::string_view::npos;
    std::size_t M = 0, N = 0;
    std::size_t BackMask = Unset, BackName = 0;
    for (;;) {
        if (M == Mask.size() && N == Name.size())
            return true;
        if (N == Name.size()) {
            for (; M < Mask.size(); ++M)
                if (Mask[M] != '*')
                    return false;
            return true;
        }
        bool Differs = false;
        if (M == Mask.size()) {
            Differs = true;
        } else if (Mask[M] == '*') {
            if (M + 1 == Mask.size())
                return true;
            BackMask = M + 1;
            BackName = N + 1;
            ++M;
        } else if (Mask[M] == '?' || SameFolded(Mask[M], Name[N])) {
            ++M;
            ++N;
        } else {
            Differs = true;
        }
        if (Differs) {
            if (BackMask == Unset)
                return false;
            M = BackMask;
            N = BackName++;
        }
    }
}

} // namespace quorvane
