#pragma once

// A file descriptor owned by one object and closed on every path. Move-only.

#include <utility>

#include <unistd.h>

namespace quorvane {

class TUniqueFd {
public:
    TUniqueFd() = default;
    explicit TUniqueFd(int Fd) : Handle(Fd) {}
    ~TUniqueFd() { Reset(); }
    TUniqueFd(TUniqueFd&& Other) noexcept : Handle(std::exchange(Other.Handle, -1)) {}
    TUniqueFd& operator=(TUniqueFd&& Other) noexcept {
        if (this != &Other) {
            Reset();
            Handle = std::exchange(Other.Handle, -1);
        }
        return *this;
    }
    TUniqueFd(const TUniqueFd&) = delete;
    TUniqueFd& operator=(const TUniqueFd&) = delete;

    int Get() const { return Handle; }                       // the descriptor, -1 when none
    int Release() { return std::exchange(Handle, -1); }     // gives up ownership without closing
    void Reset() {                                           // closes the descriptor now
        if (Handle >= 0)
            ::close(std::exchange(Handle, -1));
    }

private:
    int Handle = -1;
};

} // namespace quorvane
