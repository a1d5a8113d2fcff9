#include "settings/SettingsStore.h"

#include "ScratchRegistry.h"

namespace {

using SettingsStoreTest = ScratchRegistry;

// The start-up settings as one line: "top size progress centre WxH[ max] at L,T[ error]", "-" for no value.
std::string Read() {
    const TStartSettings S = ReadStartSettings();
    auto V = [](const std::optional<int>& I) { return I ? std::to_string(*I) : std::string("-"); };
    return std::to_string(S.TopLayout) + " " + V(S.SizeType) + " " + std::to_string(S.ShowProgress) + " " +
           std::to_string(S.Centre) + " " + V(S.Width) + "x" + V(S.Height) + (S.Maximized ? " max" : "") + " at " +
           V(S.Left) + "," + V(S.Top) + (S.Error.empty() ? "" : " " + S.Error);
}

TEST_F(SettingsStoreTest, StartSettingsFollowTheStoredValuesAndBoundsNeedSavePos) {
    const std::vector<std::pair<std::vector<std::pair<std::string, int>>, std::string>> Steps{
        {{}, "0 - 0 1 -x- at -,-"}, // first start: centred
        // Out of range: the defaults stay; ShowProgress's presence alone counts; a width alone is no size to maximize.
        {{{"SizeType", 7}, {"ToolbarPosition", 2}, {"ShowProgress", 0}, {"Width", 700}}, "0 - 1 1 -x- at -,-"},
        {{{"SizeType", 2}, {"ToolbarPosition", 1}, {"SavePos", 1}, {"Maximized", 1}}, "1 2 1 1 -x- at -,-"},
        {{{"Height", 500}, {"Left", -20}, {"Top", 30}}, "1 2 1 0 700x500 max at -20,30"}};
    for (const auto& [Values, Expected] : Steps) {
        for (const auto& [Name, Value] : Values)
            Put(Name, Value);
        EXPECT_EQ(Read(), Expected);
    }
    // A bad value stops the reading and is reported.
    TRegistry Reg;
    Reg.OpenKey(SettingsKey, false);
    Reg.WriteString("SizeType", "Bytes");
    EXPECT_EQ(Read(), "1 - 0 0 -x- at -,- Invalid data type for 'SizeType'");
}

} // namespace
