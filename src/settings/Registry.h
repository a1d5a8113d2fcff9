#pragma once

// The registry layer: named keys holding integer and string values, under two roots (the per-user
// key and the classes root), kept in human-readable files in the user's config folder
// ($XDG_CONFIG_HOME/quorvane/, else ~/.config/quorvane/). Key and value names compare without case.
//
// Every change is written at once, atomically (temporary file, then rename) and under a lock file, after
// re-reading the file, so two running copies and a crash lose nothing. A file that cannot be parsed is
// renamed aside ("<name>.bad", or "<name>.bad.N" when that exists) instead of being overwritten, and
// the opening reports it. Operations throw ERegistryException with the program's texts
// ("Invalid data type for '%s'", "Failed to get data for '%s'", "Failed to set data for '%s'").
// One TRegistry object belongs to one thread; the files may be shared by several processes.

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include <QString>

namespace quorvane {

enum class TRegRoot { CurrentUser, ClassesRoot };

class ERegistryException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Folder of the registry files: the override if set, else $XDG_CONFIG_HOME/quorvane, else ~/.config/quorvane.
QString RegistryFolder();

// Points the registry at another folder (tests); an empty text restores the default.
void SetRegistryFolder(const QString& Folder);

// Full path of the file that stores a root.
QString RegistryFile(TRegRoot Root);

// The contents of one registry file: keys by folded path, values by folded name.
struct TRegData {
    using TValue = std::variant<std::int32_t, std::string>;
    struct TNamedValue {
        std::string Name; // as first written
        TValue Data;
    };
    struct TKey {
        std::string Path; // as first written, parts joined by "\"
        std::map<std::string, TNamedValue> Values;
    };
    std::map<std::string, TKey> Keys;

    // Parses the file text; throws std::invalid_argument with the line number when it is damaged.
    static TRegData Parse(const std::string& Text);
    // The file text; Parse(Text()) gives the same contents.
    std::string Text() const;
};

// Normal form of a key path: parts separated by one "\", no leading or trailing "\".
std::string NormalKeyPath(const std::string& Key);

class TRegistry {
public:
    explicit TRegistry(TRegRoot Root = TRegRoot::CurrentUser);
    ~TRegistry() = default;
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    // Opens a key (paths are absolute from the root; "\" separates parts); creates it when CanCreate.
    // False when it does not exist and may not be created. Throws when the file is damaged or cannot be written.
    bool OpenKey(const std::string& Key, bool CanCreate);
    // True when the key exists (re-reads the file).
    bool KeyExists(const std::string& Key);
    // Forgets the open key; nothing is pending, every change was written when made.
    void CloseKey();
    // True while a key is open.
    bool HasCurrentKey() const { return KeyOpen; }

    // True when the open key holds the value.
    bool ValueExists(const std::string& Name) const;
    // Integer value; throws "Invalid data type" for a string, "Failed to get data" when absent.
    std::int32_t ReadInteger(const std::string& Name) const;
    // String value; throws "Invalid data type" for an integer, "Failed to get data" when absent.
    std::string ReadString(const std::string& Name) const;
    // Integer value read as a boolean (non-zero is true).
    bool ReadBool(const std::string& Name) const { return ReadInteger(Name) != 0; }
    // Writes an integer; throws "Failed to set data" when it cannot be stored.
    void WriteInteger(const std::string& Name, std::int32_t Value);
    // Writes a string; throws "Failed to set data" when it cannot be stored.
    void WriteString(const std::string& Name, const std::string& Value);
    // Writes 1 or 0.
    void WriteBool(const std::string& Name, bool Value) { WriteInteger(Name, Value ? 1 : 0); }
    // Deletes a value of the open key; false when it did not exist.
    bool DeleteValue(const std::string& Name);
    // Deletes a key with all its subkeys; false when it did not exist.
    bool DeleteKey(const std::string& Key);
    // Names of the values of the open key.
    std::vector<std::string> ValueNames() const;

private:
    const TRegData::TKey* OpenData() const;
    template <typename T>
    T ReadValue(const std::string& Name) const;
    template <typename T>
    void WriteValue(const std::string& Name, const T& Value);
    void Modify(const std::string& Name, const std::string& FailText, const auto& Change);

    TRegRoot Root;
    std::string CurrentKey; // folded path of the open key
    bool KeyOpen = false;   // the root itself may be open (empty path)
    TRegData Snapshot;      // the file as last read or written by this object
};

} // namespace quorvane
