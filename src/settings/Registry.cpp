#include "settings/Registry.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <system_error>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include "util/FileIo.h"
#include "util/StringUtils.h"

namespace quorvane {

namespace {

std::mutex FolderMutex;
QString FolderOverride;

std::string Fold(const std::string& Name) {
    return LowerAscii(Name);
}

std::string Format(const char* Pattern, const std::string& Name) {
    std::string Out;
    for (const char* P = Pattern; *P; ++P) {
        if (P[0] == '%' && P[1] == 's') {
            Out += Name;
            ++P;
        } else {
            Out += *P;
        }
    }
    return Out;
}

[[noreturn]] void Fail(const char* Pattern, const std::string& Name) {
    throw ERegistryException(Format(Pattern, Name));
}

std::string Quote(const std::string& S) {
    std::string Out = "\"";
    for (unsigned char C : S) {
        switch (C) {
        case '"':
            Out += "\\\"";
            break;
        case '\\':
            Out += "\\\\";
            break;
        case '\n':
            Out += "\\n";
            break;
        case '\r':
            Out += "\\r";
            break;
        case '\t':
            Out += "\\t";
            break;
        default:
            if (C < 32 || C == 127) {
                char Buf[8];
                std::snprintf(Buf, sizeof Buf, "\\x%02X", C);
                Out += Buf;
            } else {
                Out += static_cast<char>(C);
            }
        }
    }
    return Out + "\"";
}

int HexDigit(char C) {
    if (C >= '0' && C <= '9')
        return C - '0';
    if (C >= 'a' && C <= 'f')
        return C - 'a' + 10;
    if (C >= 'A' && C <= 'F')
        return C - 'A' + 10;
    return -1;
}

// Reads a quoted text starting at Pos (on the opening quote); Pos ends after the closing quote.
bool Unquote(const std::string& Line, std::size_t& Pos, std::string& Out) {
    if (Pos >= Line.size() || Line[Pos] != '"')
        return false;
    Out.clear();
    for (++Pos; Pos < Line.size(); ++Pos) {
        char C = Line[Pos];
        if (C == '"') {
            ++Pos;
            return true;
        }
        if (C != '\\') {
            Out += C;
            continue;
        }
        if (++Pos >= Line.size())
            return false;
        switch (Line[Pos]) {
        case '"':
            Out += '"';
            break;
        case '\\':
            Out += '\\';
            break;
        case 'n':
            Out += '\n';
            break;
        case 'r':
            Out += '\r';
            break;
        case 't':
            Out += '\t';
            break;
        case 'x': {
            if (Pos + 2 >= Line.size())
                return false;
            int Hi = HexDigit(Line[Pos + 1]), Lo = HexDigit(Line[Pos + 2]);
            if (Hi < 0 || Lo < 0)
                return false;
            Out += static_cast<char>(Hi * 16 + Lo);
            Pos += 2;
            break;
        }
        default:
            return false;
        }
    }
    return false;
}

bool ParseInt(const std::string& Text, std::int32_t& Value) {
    // Digits with an optional "-", nothing else: no blanks, no "+", no bytes after a NUL.
    if (Text.empty() || !(std::isdigit(static_cast<unsigned char>(Text[0])) || Text[0] == '-'))
        return false;
    char* End = nullptr;
    errno = 0;
    long long V = std::strtoll(Text.c_str(), &End, 10);
    if (End != Text.c_str() + Text.size() || errno != 0 || V < INT32_MIN || V > INT32_MAX)
        return false;
    Value = static_cast<std::int32_t>(V);
    return true;
}

std::string ReadWhole(const QString& Path, bool& Exists) {
    QFile F(Path);
    Exists = F.exists();
    if (!Exists)
        return {};
    if (!F.open(QIODevice::ReadOnly))
        throw ERegistryException("Cannot open file " + Path.toStdString());
    QByteArray Bytes = F.readAll();
    return Bytes.toStdString();
}

// A free name beside the damaged file, so no earlier copy is lost either.
QString BadCopyName(const QString& Path) {
    QString Name = Path + ".bad";
    for (int N = 1; QFile::exists(Name); ++N)
        Name = Path + ".bad." + QString::number(N);
    return Name;
}

// Takes the lock of a registry file for the life of the object.
class TFileLock {
public:
    explicit TFileLock(const QString& Path) : Lock(Path + ".lock") {
        QDir().mkpath(QFileInfo(Path).absolutePath());
        Lock.setStaleLockTime(30000);
        Locked = Lock.tryLock(10000);
    }
    bool Locked = false;

private:
    QLockFile Lock;
};

// Reads a registry file under its lock. A damaged file is moved aside and reported.
TRegData LoadLocked(const QString& Path) {
    bool Exists = false;
    std::string Text = ReadWhole(Path, Exists);
    if (!Exists)
        return {};
    try {
        return TRegData::Parse(Text);
    } catch (const std::invalid_argument& E) {
        QString Bad = BadCopyName(Path);
        if (!QFile::rename(Path, Bad))
            throw ERegistryException("The settings file " + Path.toStdString() + " is damaged (" + E.what() +
                                     ") and could not be kept aside; it is left untouched and not written");
        throw ERegistryException("The settings file " + Path.toStdString() + " was damaged (" + E.what() +
                                 "); it was kept as " + Bad.toStdString() + " and the default settings are used");
    }
}

void SaveLocked(const QString& Path, const TRegData& Data) {
    try {
        WriteFileAtomically(QFile::encodeName(Path).toStdString(), Data.Text());
    } catch (const std::system_error&) {
        throw ERegistryException("Cannot create file " + Path.toStdString());
    }
}

} // namespace

QString RegistryFolder() {
    {
        std::lock_guard Guard(FolderMutex);
        if (!FolderOverride.isEmpty())
            return FolderOverride;
    }
    QString Base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (Base.isEmpty() || QDir::isRelativePath(Base))
        Base = QDir::homePath() + "/.config";
    return Base + "/quorvane";
}

void SetRegistryFolder(const QString& Folder) {
    std::lock_guard Guard(FolderMutex);
    FolderOverride = Folder;
}

QString RegistryFile(TRegRoot Root) {
    return RegistryFolder() + (Root == TRegRoot::CurrentUser ? "/user.reg" : "/classes.reg");
}

std::string NormalKeyPath(const std::string& Key) {
    std::string Out;
    std::size_t I = 0;
    while (I < Key.size()) {
        std::size_t J = Key.find('\\', I);
        if (J == std::string::npos)
            J = Key.size();
        if (J > I) {
            if (!Out.empty())
                Out += '\\';
            Out.append(Key, I, J - I);
        }
        I = J + 1;
    }
    return Out;
}

TRegData TRegData::Parse(const std::string& Text) {
    TRegData Data;
    TKey* Current = nullptr;
    std::size_t Start = 0;
    int LineNo = 0;
    auto Damaged = [&LineNo](const char* Why) {
        throw std::invalid_argument("line " + std::to_string(LineNo) + ": " + Why);
    };
    while (Start < Text.size()) {
        std::size_t End = Text.find('\n', Start);
        if (End == std::string::npos)
            End = Text.size();
        std::string Line = Text.substr(Start, End - Start);
        Start = End + 1;
        ++LineNo;
        if (!Line.empty() && Line.back() == '\r')
            Line.pop_back();
        if (Line.empty() || Line[0] == ';')
            continue;
        if (Line[0] == '[') {
            if (Line.back() != ']')
                Damaged("a key line must end with ]");
            std::string Path = NormalKeyPath(Line.substr(1, Line.size() - 2));
            TKey& K = Data.Keys[Fold(Path)];
            if (K.Path.empty())
                K.Path = Path;
            Current = &K;
            continue;
        }
        if (!Current)
            Damaged("a value before the first key");
        std::string Name;
        std::size_t Pos = 0;
        if (Line[0] == '@') {
            Pos = 1;
        } else if (!Unquote(Line, Pos, Name)) {
            Damaged("a value name must be quoted");
        }
        if (Pos >= Line.size() || Line[Pos] != '=')
            Damaged("= expected after the value name");
        ++Pos;
        TNamedValue V{Name, std::int32_t{0}};
        if (Line.compare(Pos, 4, "int:") == 0) {
            std::int32_t I = 0;
            if (!ParseInt(Line.substr(Pos + 4), I))
                Damaged("not a 32-bit integer");
            V.Data = I;
        } else {
            std::string S;
            if (!Unquote(Line, Pos, S) || Pos != Line.size())
                Damaged("not a quoted text");
            V.Data = std::move(S);
        }
        Current->Values[Fold(Name)] = std::move(V);
    }
    return Data;
}

std::string TRegData::Text() const {
    std::string Out = "; Quorvane settings. Written by the program; values are int:<number> or \"text\".\n";
    for (const auto& [Folded, K] : Keys) {
        Out += "\n[" + K.Path + "]\n";
        for (const auto& [VF, V] : K.Values) {
            Out += V.Name.empty() ? std::string("@") : Quote(V.Name);
            Out += '=';
            if (const auto* I = std::get_if<std::int32_t>(&V.Data))
                Out += "int:" + std::to_string(*I);
            else
                Out += Quote(std::get<std::string>(V.Data));
            Out += '\n';
        }
    }
    return Out;
}

TRegistry::TRegistry(TRegRoot R) : Root(R) {}

bool TRegistry::OpenKey(const std::string& Key, bool CanCreate) {
    CloseKey();
    std::string Path = NormalKeyPath(Key);
    for (char C : Path)
        if (static_cast<unsigned char>(C) < 32 || C == '[' || C == ']')
            return false;
    QString File = RegistryFile(Root);
    TFileLock Lock(File);
    if (!Lock.Locked)
        throw ERegistryException("Cannot open file " + File.toStdString() + ".lock");
    Snapshot = LoadLocked(File);
    std::string Folded = Fold(Path);
    if (!Snapshot.Keys.contains(Folded)) {
        if (!CanCreate)
            return false;
        Snapshot.Keys[Folded].Path = Path;
        SaveLocked(File, Snapshot);
    }
    CurrentKey = Folded;
    KeyOpen = true;
    return true;
}

bool TRegistry::KeyExists(const std::string& Key) {
    QString File = RegistryFile(Root);
    TFileLock Lock(File);
    if (!Lock.Locked)
        throw ERegistryException("Cannot open file " + File.toStdString() + ".lock");
    TRegData Data = LoadLocked(File);
    return Data.Keys.contains(Fold(NormalKeyPath(Key)));
}

void TRegistry::CloseKey() {
    CurrentKey.clear();
    KeyOpen = false;
}

const TRegData::TKey* TRegistry::OpenData() const {
    if (!KeyOpen)
        return nullptr;
    auto It = Snapshot.Keys.find(CurrentKey);
    return It == Snapshot.Keys.end() ? nullptr : &It->second;
}

bool TRegistry::ValueExists(const std::string& Name) const {
    const auto* K = OpenData();
    return K && K->Values.contains(Fold(Name));
}

// The stored data of a value of the open key, when it holds a T; "Failed to get data for '%s'" when the
// value is absent, "Invalid data type for '%s'" when it holds the other type.
template <typename T>
T TRegistry::ReadValue(const std::string& Name) const {
    const auto* K = OpenData();
    const auto It = K ? K->Values.find(Fold(Name)) : decltype(K->Values.end()){};
    if (!K || It == K->Values.end())
        Fail("Failed to get data for '%s'", Name);
    if (const auto* Data = std::get_if<T>(&It->second.Data))
        return *Data;
    Fail("Invalid data type for '%s'", Name);
}

std::int32_t TRegistry::ReadInteger(const std::string& Name) const {
    return ReadValue<std::int32_t>(Name);
}

std::string TRegistry::ReadString(const std::string& Name) const {
    return ReadValue<std::string>(Name);
}

// Re-reads the file under its lock, applies the change to the open key and writes the file back.
void TRegistry::Modify(const std::string& Name, const std::string& FailText, const auto& Change) {
    if (!KeyOpen)
        Fail(FailText.c_str(), Name);
    QString File = RegistryFile(Root);
    TFileLock Lock(File);
    if (!Lock.Locked)
        Fail(FailText.c_str(), Name);
    TRegData Data;
    try {
        Data = LoadLocked(File);
    } catch (const ERegistryException&) {
        Fail(FailText.c_str(), Name);
    }
    TRegData::TKey& K = Data.Keys[CurrentKey];
    if (K.Path.empty())
        K.Path = OpenData() ? OpenData()->Path : CurrentKey;
    if (!Change(K)) {
        Snapshot = std::move(Data);
        return;
    }
    try {
        SaveLocked(File, Data);
    } catch (const ERegistryException&) {
        Fail(FailText.c_str(), Name);
    }
    Snapshot = std::move(Data);
}

// Stores a value of type T in the open key; "Failed to set data for '%s'" when it cannot be stored.
template <typename T>
void TRegistry::WriteValue(const std::string& Name, const T& Value) {
    Modify(Name, "Failed to set data for '%s'", [&](TRegData::TKey& K) {
        auto& V = K.Values[Fold(Name)];
        if (V.Name.empty())
            V.Name = Name;
        V.Data = Value;
        return true;
    });
}

void TRegistry::WriteInteger(const std::string& Name, std::int32_t Value) {
    WriteValue(Name, Value);
}

void TRegistry::WriteString(const std::string& Name, const std::string& Value) {
    WriteValue(Name, Value);
}

bool TRegistry::DeleteValue(const std::string& Name) {
    bool Existed = false;
    Modify(Name, "Failed to delete value '%s'", [&](TRegData::TKey& K) {
        Existed = K.Values.erase(Fold(Name)) > 0;
        return Existed;
    });
    return Existed;
}

bool TRegistry::DeleteKey(const std::string& Key) {
    std::string Folded = Fold(NormalKeyPath(Key));
    if (Folded.empty())
        return false;
    QString File = RegistryFile(Root);
    TFileLock Lock(File);
    if (!Lock.Locked)
        throw ERegistryException("Failed to delete key '" + Key + "'");
    TRegData Data = LoadLocked(File);
    bool Found = false;
    for (auto It = Data.Keys.begin(); It != Data.Keys.end();) {
        if (It->first == Folded || It->first.starts_with(Folded + "\\")) {
            It = Data.Keys.erase(It);
            Found = true;
        } else {
            ++It;
        }
    }
    if (Found)
        SaveLocked(File, Data);
    Snapshot = std::move(Data);
    if (KeyOpen && !Snapshot.Keys.contains(CurrentKey))
        CloseKey();
    return Found;
}

std::vector<std::string> TRegistry::ValueNames() const {
    std::vector<std::string> Names;
    if (const auto* K = OpenData())
        for (const auto& [F, V] : K->Values)
            Names.push_back(V.Name);
    return Names;
}

} // namespace quorvane
