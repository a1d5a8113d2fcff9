#pragma once

#include <string>
#include <string_view>

namespace quorvane {

// Paths are POSIX: "/" separates folders, ":" is an ordinary character.

// Appends "/" unless the path already ends with one; an empty path becomes "/".
void AddBackslash(std::string& Path);

// True if the path names an existing directory (symbolic links followed); false for an empty path.
bool DirExists(const std::string& Path);

// Last name of the path ("/data/album" and "/data/album/" give "album"); empty for "/", "" and a bare name.
std::string LastPathName(std::string_view Path);

// Folder part: everything up to and including the last "/"; empty when there is none.
std::string_view ExtractFilePath(std::string_view Path);

// Name part: everything after the last "/".
std::string_view ExtractFileName(std::string_view Path);

// Extension of the name part, dot included (".sfv"), or empty.
std::string_view ExtractFileExt(std::string_view Path);

} // namespace quorvane
