#include "lists/CreationRules.h"

#include <dirent.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <system_error>

#include "lists/DigestLines.h"
#include "util/FileIo.h"
#include "util/PathUtils.h"
#include "util/StringUtils.h"

namespace quorvane {

std::string NameProblem(std::string_view Name, THashKind Kind) {
    if (Name.empty())
        return "the name is empty";
    if (IsDigestKind(Kind))
        return Kind == THashKind::Blake3 && Name.find('\r') != std::string_view::npos
                   ? "the name holds a carriage return"
                   : std::string();
    const bool IsMd5 = Kind == THashKind::Md5;
    if (Name.find_first_of("\r\n") != std::string_view::npos)
        return "the name holds a line break";
    if (IsBlank(Name.front()) || IsBlank(Name.back()))
        return "the name begins or ends with a blank";
    if (Name.front() == '"' || Name.back() == '"')
        return "the name begins or ends with a double quote";
    if (Name.find('\\') != std::string_view::npos)
        return "the name holds a backslash";
    if (!IsMd5 && Name.front() == ';')
        return "the name begins with \";\"";
    if (IsMd5 && Name.find('*') != std::string_view::npos)
        return "the name holds \"*\"";
    return {};
}

bool SkippedByFolderScan(std::string_view Name) {
    const std::string Ext = LowerAscii(ExtractFileExt(Name));
    return Ext == ".sfv" || Ext == ".md5" || IsOwnTemporaryName(Name);
}

TFolderScan ScanFolder(const std::string& Folder, const std::string& Target) {
    const std::unique_ptr<DIR, int (*)(DIR*)> Dir(::opendir(Folder.c_str()), ::closedir);
    if (!Dir)
        throw std::system_error(errno, std::generic_category(), Folder);
    const TPathInfo TargetInfo = PathInfo(Target);
    TFolderScan Scan;
    for (;;) {
        errno = 0;
        const dirent* Ent = ::readdir(Dir.get());
        if (!Ent) {
            if (errno != 0)
                throw std::system_error(errno, std::generic_category(), Folder);
            break;
        }
        const std::string Name = Ent->d_name;
        if (Name == "." || Name == ".." || SkippedByFolderScan(Name))
            continue;
        const TPathInfo Info = PathInfoAt(::dirfd(Dir.get()), Name.c_str());
        if (Info.SameFileAs(TargetInfo))
            continue;
        if (Info.IsFile()) {
            Scan.Entries.push_back(TBrowserEntry{Name, false, Info.Size});
        } else if (!Info.Exists()) {
            const bool Link = PathInfoAt(::dirfd(Dir.get()), Name.c_str(), false).Exists();
            Scan.Skipped.push_back(
                TLeftOut{Name, Link ? "a broken symbolic link" : std::string("cannot be found: ") + std::strerror(Info.Error)});
        }
    }
    std::sort(Scan.Entries.begin(), Scan.Entries.end(),
              [](const TBrowserEntry& A, const TBrowserEntry& B) { return A.Name < B.Name; });
    return Scan;
}

std::string DefaultListPath(std::string Folder, THashKind Kind) {
    AddBackslash(Folder);
    // The folder's own name: its last component, a bare "x/" included.
    std::string_view Trimmed(Folder);
    while (Trimmed.size() > 1 && Trimmed.back() == '/')
        Trimmed.remove_suffix(1);
    std::string Name(ExtractFileName(Trimmed));
    if (Name.empty() || Name == "." || Name == "..") {
        // "." and ".." name the folder only relative to here: take its real name.
        if (const std::unique_ptr<char, void (*)(void*)> Real(::realpath(Folder.c_str(), nullptr), std::free); Real)
            Name = LastPathName(Real.get());
    }
    return Folder + Name + std::string(ListExtension(Kind));
}

} // namespace quorvane
