#include "util/FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <system_error>

#include "util/PathUtils.h"

namespace quorvane {

namespace {

[[noreturn]] void ThrowErrno(int Error, const std::string& What) {
    throw std::system_error(Error, std::generic_category(), What);
}

TPathInfo FromStatx(const struct statx& Stx) {
    TPathInfo Info;
    const auto Mode = Stx.stx_mode;
    Info.Kind = S_ISREG(Mode) ? TPathKind::File : S_ISDIR(Mode) ? TPathKind::Folder : TPathKind::Other;
    Info.Size = S_ISREG(Mode) ? static_cast<std::int64_t>(Stx.stx_size) : -1;
    Info.WriteTime = Stx.stx_mtime.tv_sec;
    Info.WriteTimeZero = Stx.stx_mtime.tv_sec == 0 && Stx.stx_mtime.tv_nsec == 0;
    Info.BirthTime = (Stx.stx_mask & STATX_BTIME) ? Stx.stx_btime.tv_sec : Stx.stx_ctime.tv_sec;
    Info.Device = makedev(Stx.stx_dev_major, Stx.stx_dev_minor);
    Info.Inode = static_cast<ino_t>(Stx.stx_ino);
    return Info;
}

TPathInfo Look(int DirFd, const char* Name, int Flags) {
    struct statx Stx {};
    if (::statx(DirFd, Name, Flags, STATX_BASIC_STATS | STATX_BTIME, &Stx) != 0) {
        TPathInfo Info;
        Info.Error = errno;
        return Info;
    }
    return FromStatx(Stx);
}

std::string RandomSuffix() {
    static thread_local std::mt19937_64 Engine{std::random_device{}()};
    static constexpr char Digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string Text(10, 'x');
    for (char& C : Text)
        C = Digits[Engine() % (sizeof Digits - 1)];
    return Text;
}

} // namespace

void TUniqueFd::Reset() {
    if (Handle >= 0)
        ::close(std::exchange(Handle, -1));
}

int TUniqueFd::Close() {
    if (Handle < 0)
        return 0;
    return ::close(std::exchange(Handle, -1)) == 0 ? 0 : errno;
}

TPathInfo PathInfo(const std::string& Path, bool FollowLinks) {
    if (Path.empty()) {
        TPathInfo Info;
        Info.Error = ENOENT;
        return Info;
    }
    return PathInfoAt(AT_FDCWD, Path.c_str(), FollowLinks);
}

TPathInfo PathInfoAt(int DirFd, const char* Name, bool FollowLinks) {
    return Look(DirFd, Name, FollowLinks ? 0 : AT_SYMLINK_NOFOLLOW);
}

TPathInfo FdInfo(int Fd) {
    return Look(Fd, "", AT_EMPTY_PATH);
}

bool IsOwnTemporaryName(std::string_view Name) {
    return Name.starts_with(TempFilePrefix);
}

TAtomicFileWriter::TAtomicFileWriter(std::string PathArg) : Target(std::move(PathArg)) {
    Folder = std::string(ExtractFilePath(Target));
    if (Folder.empty())
        Folder = ".";
    if (PathInfo(Target).IsFolder())
        ThrowErrno(EISDIR, Target);
    // Unnamed: nothing of it can be seen, or left behind, until it is put in place.
    File = TUniqueFd(::open(Folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
    if (File.Valid())
        return;
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        ThrowErrno(errno, Target);
    for (int Attempt = 0; !File.Valid(); ++Attempt) {
        TempName = Folder + "/" + std::string(TempFilePrefix) + RandomSuffix();
        File = TUniqueFd(::open(TempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!File.Valid() && (errno != EEXIST || Attempt > 100)) {
            TempName.clear();
            ThrowErrno(errno, Target);
        }
    }
}

TAtomicFileWriter::~TAtomicFileWriter() {
    File.Reset();
    if (!TempName.empty())
        ::unlink(TempName.c_str());
}

void TAtomicFileWriter::Commit(std::string_view Bytes) {
    if (!File.Valid())
        ThrowErrno(EBADF, Target);
    const TPathInfo Old = PathInfo(Target);
    struct stat OldStat {};
    if (Old.IsFile() && ::stat(Target.c_str(), &OldStat) == 0)
        (void)::fchmod(File.Get(), OldStat.st_mode & 07777);
    std::size_t Done = 0;
    while (Done < Bytes.size()) {
        const ssize_t N = ::write(File.Get(), Bytes.data() + Done, Bytes.size() - Done);
        if (N < 0) {
            if (errno == EINTR)
                continue;
            ThrowErrno(errno, Target);
        }
        Done += static_cast<std::size_t>(N);
    }
    if (::fsync(File.Get()) != 0)
        ThrowErrno(errno, Target);
    if (TempName.empty()) {
        // Give the unnamed file a name a folder scan skips, then move it over the target in one step.
        const std::string FdPath = "/proc/self/fd/" + std::to_string(File.Get());
        for (int Attempt = 0; TempName.empty(); ++Attempt) {
            std::string Name = Folder + "/" + std::string(TempFilePrefix) + RandomSuffix();
            if (::linkat(AT_FDCWD, FdPath.c_str(), AT_FDCWD, Name.c_str(), AT_SYMLINK_FOLLOW) == 0)
                TempName = std::move(Name);
            else if (errno != EEXIST || Attempt > 100)
                ThrowErrno(errno, Target);
        }
    }
    if (const int Error = File.Close(); Error != 0)
        ThrowErrno(Error, Target);
    if (::rename(TempName.c_str(), Target.c_str()) != 0)
        ThrowErrno(errno, Target);
    TempName.clear();
    // The new name must survive a crash as well as the content.
    const TUniqueFd Dir(::open(Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (Dir.Valid())
        (void)::fsync(Dir.Get());
}

void WriteFileAtomically(const std::string& Path, std::string_view Bytes) {
    TAtomicFileWriter(Path).Commit(Bytes);
}

} // namespace quorvane
