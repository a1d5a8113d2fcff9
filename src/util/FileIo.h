#pragma once

// File access shared by the whole program: an owned descriptor, one look-up of what is at a path, and
// the atomic writer behind every file we write (lists and settings).
//
// Errors of the look-up are values (Kind None with the errno); the writer throws std::system_error with
// the errno of the failed step. Nothing here keeps state between calls; any thread may call it.

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace quorvane {

// A file descriptor owned by one object and closed on every path. Move-only.
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

    int Get() const { return Handle; }                    // the descriptor, -1 when none
    bool Valid() const { return Handle >= 0; }            // a descriptor is held
    int Release() { return std::exchange(Handle, -1); }   // gives up ownership without closing
    void Reset();                                         // closes the descriptor now
    int Close();                                          // closes it now; the errno of a failed close, else 0

private:
    int Handle = -1;
};

enum class TPathKind : std::uint8_t {
    None,   // nothing there (or it cannot be looked up: Error tells why)
    File,   // a regular file
    Folder, // a directory
    Other   // a fifo, device, socket, or (not followed) a symbolic link
};

// What is at a path, from one metadata call.
struct TPathInfo {
    TPathKind Kind = TPathKind::None;
    std::int64_t Size = -1;         // bytes of a regular file, -1 otherwise
    std::int64_t WriteTime = 0;     // last write, seconds since 1970 (UTC)
    std::int64_t BirthTime = 0;     // creation, where the file system keeps it; else the change time
    bool WriteTimeZero = false;     // the last-write time is exactly zero
    dev_t Device = 0;               // identity of the file: device and inode
    ino_t Inode = 0;
    int Error = 0;                  // errno of a failed look-up

    bool Exists() const { return Kind != TPathKind::None; }
    bool IsFile() const { return Kind == TPathKind::File; }
    bool IsFolder() const { return Kind == TPathKind::Folder; }
    bool SameFileAs(const TPathInfo& Other) const {
        return Exists() && Other.Exists() && Device == Other.Device && Inode == Other.Inode;
    }
};

// What is at Path (symbolic links followed unless FollowLinks is false). An empty path is None (ENOENT).
TPathInfo PathInfo(const std::string& Path, bool FollowLinks = true);
// What is at Name relative to the open folder DirFd (AT_FDCWD for the working folder).
TPathInfo PathInfoAt(int DirFd, const char* Name, bool FollowLinks = true);
// What an open descriptor refers to.
TPathInfo FdInfo(int Fd);

// The prefix of the temporary files the atomic writer names; a folder scan skips such names.
inline constexpr std::string_view TempFilePrefix = ".quorvane-tmp-";
// True for a name the atomic writer may have left behind (".quorvane-tmp-" and more).
bool IsOwnTemporaryName(std::string_view Name);

// Writes a file atomically: an existing file of the name is replaced only by the complete new one, and is
// left as it was when anything fails or the writer is dropped without Commit. The new content is held by
// an unnamed file in the target's folder where the file system allows it, else by a file with a name a
// folder scan skips, removed again on every path; so a crash leaves nothing that a later scan would list.
// Opening it already proves that the folder can be written, before any work is spent on the content.
class TAtomicFileWriter {
public:
    // Creates the temporary file beside Path; throws std::system_error (EISDIR when Path is a folder).
    explicit TAtomicFileWriter(std::string Path);
    ~TAtomicFileWriter();  // discards the content unless committed
    TAtomicFileWriter(const TAtomicFileWriter&) = delete;
    TAtomicFileWriter& operator=(const TAtomicFileWriter&) = delete;

    // Writes Bytes, flushes them to disk and puts the file in place (keeping an old file's permission
    // bits). Throws std::system_error; the old file is then unchanged.
    void Commit(std::string_view Bytes);

    const std::string& Path() const { return Target; }

private:
    std::string Target;
    std::string Folder;     // "." when the target has no folder part
    std::string TempName;   // the named temporary file, when an unnamed one is not possible
    TUniqueFd File;
};

// TAtomicFileWriter(Path).Commit(Bytes).
void WriteFileAtomically(const std::string& Path, std::string_view Bytes);

} // namespace quorvane
