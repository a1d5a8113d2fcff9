#include "settings/SettingsStore.h"

#include <algorithm>

#include "settings/Registry.h"

namespace quorvane {

TStartSettings ReadStartSettings() {
    TStartSettings S;
    TRegistry Reg;
    try {
        Reg.OpenKey(SettingsKey, true);
    } catch (const ERegistryException& E) {
        // Nothing could be read (a damaged file is kept aside): a first start's defaults, window centred.
        S.Centre = true;
        S.Error = E.what();
        return S;
    }
    try {
        S.TopLayout = Reg.ValueExists("ToolbarPosition") && Reg.ReadInteger("ToolbarPosition") == 1;
        if (Reg.ValueExists("SizeType")) {
            int T = Reg.ReadInteger("SizeType");
            if (T >= 0 && T <= 2)
                S.SizeType = T;
        }
        S.ShowProgress = Reg.ValueExists("ShowProgress");
        if (Reg.ValueExists("Jobs"))
            S.Jobs = std::max(Reg.ReadInteger("Jobs"), 0);
        if (!Reg.ValueExists("SavePos")) {
            S.Centre = true;
        } else {
            if (Reg.ValueExists("Width") && Reg.ValueExists("Height")) {
                int W = Reg.ReadInteger("Width");
                int H = Reg.ReadInteger("Height");
                S.Width = W;
                S.Height = H;
                S.Maximized = Reg.ValueExists("Maximized") && Reg.ReadInteger("Maximized") != 0;
            }
            if (Reg.ValueExists("Left") && Reg.ValueExists("Top")) {
                int L = Reg.ReadInteger("Left");
                int T = Reg.ReadInteger("Top");
                S.Left = L;
                S.Top = T;
            } else {
                S.Centre = true;
            }
        }
    } catch (const ERegistryException& E) {
        S.Error = E.what();
    }
    Reg.CloseKey();
    return S;
}

std::string WritePlacement(const TPlacement& P) {
    TRegistry Reg;
    try {
        Reg.OpenKey(SettingsKey, true);
        if (Reg.ValueExists("SavePos")) {
            Reg.WriteInteger("Width", P.Width);
            Reg.WriteInteger("Height", P.Height);
            Reg.WriteInteger("Left", P.Left);
            Reg.WriteInteger("Top", P.Top);
            Reg.WriteInteger("Maximized", P.Maximized ? 1 : 0);
        }
    } catch (const ERegistryException& E) {
        return E.what();
    }
    return {};
}

TOptions ReadOptions() {
    TRegistry Reg;
    Reg.OpenKey(SettingsKey, true);
    TOptions O;
    O.SavePos = Reg.ValueExists("SavePos");
    O.ShowProgress = Reg.ValueExists("ShowProgress");
    O.SizeType = Reg.ValueExists("SizeType") ? Reg.ReadInteger("SizeType") : 0;
    O.ToolbarPosition = Reg.ValueExists("ToolbarPosition") ? Reg.ReadInteger("ToolbarPosition") : 0;
    return O;
}

void WriteOptions(const TOptions& O) {
    TRegistry Reg;
    Reg.OpenKey(SettingsKey, true);
    Reg.WriteInteger("SizeType", O.SizeType);
    Reg.WriteInteger("ToolbarPosition", O.ToolbarPosition);
    for (const auto& [Name, On] : {std::pair{"SavePos", O.SavePos}, {"ShowProgress", O.ShowProgress}}) {
        if (On)
            Reg.WriteInteger(Name, 1);
        else
            Reg.DeleteValue(Name);
    }
}

} // namespace quorvane
