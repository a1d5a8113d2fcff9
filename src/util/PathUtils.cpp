#include "util/PathUtils.h"

#include "util/FileIo.h"

namespace quorvane {

void AddBackslash(std::string& Path) {
    if (Path.empty() || Path.back() != '/')
        Path += '/';
}

bool DirExists(const std::string& Path) {
    return PathInfo(Path).IsFolder();
}

std::string LastPathName(std::string_view Path) {
    if (Path.size() < 2)
        return {};
    // The last "/" that is not the path's final character.
    const std::size_t Sep = Path.substr(0, Path.size() - 1).rfind('/');
    if (Sep == std::string_view::npos)
        return {};
    std::string_view Name = Path.substr(Sep + 1);
    if (!Name.empty() && Name.back() == '/')
        Name.remove_suffix(1);
    return std::string(Name);
}

std::string_view ExtractFilePath(std::string_view Path) {
    const std::size_t Sep = Path.rfind('/');
    return Sep == std::string_view::npos ? std::string_view{} : Path.substr(0, Sep + 1);
}

std::string_view ExtractFileName(std::string_view Path) {
    const std::size_t Sep = Path.rfind('/');
    return Sep == std::string_view::npos ? Path : Path.substr(Sep + 1);
}

std::string_view ExtractFileExt(std::string_view Path) {
    const std::string_view Name = ExtractFileName(Path);
    const std::size_t Dot = Name.rfind('.');
    return Dot == std::string_view::npos ? std::string_view{} : Name.substr(Dot);
}

} // namespace quorvane
