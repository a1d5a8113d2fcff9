#include "settings/SettingsStore.h"

#include "ScratchRegistry.h"

using namespace quorvane;

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

TEST_F(SettingsStoreTest, StartSettingsFollowTheStoredValues) {
    EXPECT_EQ(Read(), "0 - 0 1 -x- at -,-"); // first start: centred
    EXPECT_TRUE(TRegistry().KeyExists(SettingsKey));
    Put("SizeType", 7); // out of range: the defaults stay
    Put("ToolbarPosition", 2);
    Put("ShowProgress", 0); // presence alone counts
    Put("Width", 700);
    Put("Height", 500); // no SavePos: no saved bounds
    EXPECT_EQ(Read(), "0 - 1 1 -x- at -,-");
    Put("SizeType", 2);
    Put("ToolbarPosition", 1);
    Put("SavePos", 1);
    Put("Maximized", 1);
    EXPECT_EQ(Read(), "1 2 1 1 700x500 max at -,-"); // no Left/Top: centred
    Put("Left", -20);
    Put("Top", 30);
    EXPECT_EQ(Read(), "1 2 1 0 700x500 max at -20,30");
    TRegistry Reg;
    Reg.OpenKey(SettingsKey, false);
    Reg.DeleteValue("Height");
    EXPECT_EQ(Read(), "1 2 1 0 -x- at -20,30"); // Maximized needs a size
    // A bad value stops the reading and is reported.
    Reg.WriteString("SizeType", "Bytes");
    EXPECT_EQ(Read(), "1 - 0 0 -x- at -,- Invalid data type for 'SizeType'");
}

TEST_F(SettingsStoreTest, BoundsAreWrittenOnlyWhileSavePosExists) {
    EXPECT_EQ(WritePlacement({640, 480, 10, 20, true}), "");
    EXPECT_EQ(SavedBounds(), "- - - - -");
    Put("SavePos", 1);
    EXPECT_EQ(WritePlacement({640, 480, 10, 20, true}), "");
    EXPECT_EQ(SavedBounds(), "640 480 10 20 1");
}

} // namespace
