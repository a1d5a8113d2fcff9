// quorvane-cli desktop [--program PATH] ACTION [KIND]...: the command's options and help. The work is done by
// RunDesktop: in quorvane-cli-desktop the desktop layer's, in quorvane-cli a hand-over to that program.

#include "app/CliCommands.h"

namespace quorvane {

namespace {

const TCliOption DesktopOptions[] = {
    {"--program", "PATH",
     "the desktop program that the associations and folder actions start\n"
     "(default: quorvane in the folder of quorvane-cli)"},
};

} // namespace

const TCliCommand DesktopCommand{
    .Name = "desktop",
    .Synopsis = "[--program PATH] ACTION [sfv|md5]...",
    .Summary = "associate lists with the desktop program; folder actions",
    .About = "Shows and changes what the desktop program's Options set: which program the desktop opens\n"
             ".sfv and .md5 lists with, and the folder actions \"Create SFV\" and \"Create MD5\" of the file\n"
             "managers (Dolphin, Nautilus, Nemo, Thunar).\n"
             "\n"
             "Actions:\n"
             "  status                            one line per association and folder action\n"
             "  associate sfv|md5...              open these lists with Quorvane (the previous\n"
             "                                    application is kept, to be given back)\n"
             "  dissociate sfv|md5...             give these lists back to their previous application\n"
             "  folder-actions on|off sfv|md5...  add or remove the folder actions\n",
    .Options = DesktopOptions,
    .Operand = "action",
    .Footer = "Only the user's own folders are written ($XDG_DATA_HOME, $XDG_CONFIG_HOME).\n"
              "Exit status: 0 success; 2 usage error, or a setting or file that cannot be written.\n",
    .Run = RunDesktop,
};

} // namespace quorvane
