// What quorvane-cli desktop does: the file associations and folder actions of the desktop program's
// Options, for scripts, installers and machines without a screen, through the same desktop layer. Built into
// the companion program quorvane-cli-desktop, so that quorvane-cli itself does not load Qt.

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include <QFile>
#include <QFileInfo>

#include "app/CliCommands.h"
#include "app/CliOutput.h"
#include "shell/Desktop.h"
#include "util/StringUtils.h"

namespace quorvane {

namespace {



std::optional<TListKind> ParseKind(const std::string& Word) {
    const std::string Kind = LowerAscii(Word);
    if (Kind == "sfv" || Kind == ".sfv")
        return TListKind::Sfv;
    if (Kind == "md5" || Kind == ".md5")
        return TListKind::Md5;
    return std::nullopt;
}

const char* KindName(TListKind Kind) {
    return Kind == TListKind::Sfv ? "sfv" : "md5";
}

const char* ActionName(TListKind Kind) {
    return Kind == TListKind::Sfv ? "Create SFV" : "Create MD5";
}


} // namespace

int RunDesktop(const TCliArgs& Args) {
    const TArgs& Words = Args.Operands;
    const std::string& Action = Words.front();
    std::size_t First = 1;
    bool On = false;
    if (Action == "folder-actions") {
        if (Words.size() < 2 || (Words[1] != "on" && Words[1] != "off"))
            return CliUsageError(DesktopCommand, "folder-actions needs on or off");
        On = Words[1] == "on";
        First = 2;
    } else if (Action != "status" && Action != "associate" && Action != "dissociate") {
        return CliUsageError(DesktopCommand, "unknown action '" + Action + "'");
    }
    std::vector<TListKind> Kinds;
    for (std::size_t I = First; I < Words.size(); ++I) {
        const auto Kind = ParseKind(Words[I]);
        if (!Kind)
            return CliUsageError(DesktopCommand, "unknown list kind '" + Words[I] + "' (sfv or md5)");
        if (std::find(Kinds.begin(), Kinds.end(), *Kind) == Kinds.end())
            Kinds.push_back(*Kind);
    }
    if (Action == "status" && !Kinds.empty())
        return CliUsageError(DesktopCommand, "status takes no list kind");
    if (Action != "status" && Kinds.empty())
        return CliUsageError(DesktopCommand, "no list kind given (sfv, md5)");

    // The desktop's files start the desktop program, never this console tool.
    TDesktopPlaces Places = DesktopPlaces();
    const QString Given = QFile::decodeName(QByteArray::fromStdString(Args.Value("--program")));
    const QFileInfo Program(Given.isEmpty() ? QFileInfo(Places.Program).absolutePath() + "/quorvane" : Given);
    if ((Action == "associate" || On) && !(Program.isFile() && Program.isExecutable())) {
        PutError("no desktop program " + Printable(QFile::encodeName(Program.absoluteFilePath()).toStdString()) +
                 "; name it with --program");
        return 2;
    }
    Places.Program = Program.absoluteFilePath();
    SetDesktopPlaces(Places);

    if (Action == "status") {
        for (const TListKind Kind : {TListKind::Sfv, TListKind::Md5})
            PutOutF("%s: %s\n", KindName(Kind), FileTypeAssociated(Kind) ? "associated" : "not associated");
        for (const TListKind Kind : {TListKind::Sfv, TListKind::Md5})
            PutOutF("folder action %s: %s\n", ActionName(Kind), FolderActionPresent(Kind) ? "on" : "off");
        return 0;
    }
    for (const TListKind Kind : Kinds) {
        if (Action == "associate")
            RegisterFileType(Kind);
        else if (Action == "folder-actions")
            SetFolderAction(Kind, On);
        else if (FileTypeRegistered(Kind) || FileTypeAssociated(Kind)) // an association of another program stays
            UnregisterFileType(Kind);
    }
    return 0;
}



} // namespace quorvane
