#pragma once

// The texts of the desktop's files as the desktop layer reads and edits them: quoting by the desktop-entry and
// shell rules, key-file lines (mimeapps.list, desktop entries) edited line by line so that every other byte of
// the user's file stays as it was, and Thunar's custom actions (uca.xml) edited element by element.
//
// Pure functions of their arguments; any thread. Only UcaWithAction throws (std::invalid_argument).

#include <optional>
#include <string>
#include <vector>

namespace quorvane {

// One argument of a desktop entry's Exec value: in double quotes, with \" \` \$ \\ escaped, when it holds a
// reserved character (blank, quote, shell meta-character) or is empty; "%" doubled.
std::string ExecArgument(const std::string& Arg);
// A string as a key file stores it: "\" as "\\", line feed, tab and carriage return escaped, a leading blank
// as "\s".
std::string KeyFileValue(const std::string& Value);
// The stored form read back (\s \n \t \r \\; any other escape kept as it is).
std::string KeyFileString(const std::string& Stored);
// The program an Exec value starts: its first argument with quotes and escapes taken off; empty when none.
std::string ExecProgram(const std::string& Stored);
// A word for sh and g_shell_parse_argv: in single quotes, each "'" written as '\''.
std::string ShellQuote(const std::string& Text);
// XML character data: & < > escaped.
std::string XmlText(const std::string& Text);
// The entries of a ";"-separated list value, empty entries dropped.
std::vector<std::string> ListEntries(const std::string& Value);

// The whole line (without its line end) that gives Key in the first group named Group holding it.
std::optional<std::string> KeyFileLine(const std::string& Text, const std::string& Group, const std::string& Key);
// The value of a "Key=Value" line, blanks around "=" left out.
std::string LineValue(const std::string& Line);
// The value of Key in Group, as stored; nullopt when absent.
std::optional<std::string> KeyFileEntry(const std::string& Text, const std::string& Group, const std::string& Key);
// Text with Key's line in Group replaced by Line (at the place of the first one; later ones in any group of that
// name removed), or removed when Line is nullopt. A missing group is added at the end. Every other line, line
// end and blank stays as it was.
std::string WithKeyFileLine(const std::string& Text, const std::string& Group, const std::string& Key,
                            const std::optional<std::string>& Line);

// True when uca.xml holds an action with this unique id.
bool UcaHasAction(const std::string& Text, const std::string& Id);
// uca.xml without the actions of this unique id; the rest byte for byte.
std::string UcaWithoutAction(const std::string& Text, const std::string& Id);
// uca.xml with Action (an <action> element) in place of the actions of this unique id, before "</actions>";
// a new file's text when Text is empty. Throws std::invalid_argument when Text is no action list.
std::string UcaWithAction(const std::string& Text, const std::string& Id, const std::string& Action);

} // namespace quorvane
