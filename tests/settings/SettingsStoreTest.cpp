#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

#include "settings/Registry.h"
#include "support/TestSupport.h"

namespace {

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override { SetRegistryFolder(QString::fromStdString(Dir / "cfg")); }
    void TearDown() override { SetRegistryFolder({}); }
    void Put(const std::string& Name, int Value) {
        TRegistry Reg;
        Reg.OpenKey(SettingsKey, true);
        Reg.WriteInteger(Name, Value);
    }
    qvtest::TempDir Dir;
};

TEST_F(SettingsStoreTest, FirstStartCreatesTheKeyAndCentres) {
    TStartSettings S = ReadStartSettings();
    EXPECT_TRUE(S.Error.empty());
    EXPECT_FALSE(S.TopLayout);
    EXPECT_FALSE(S.SizeType);
    EXPECT_FALSE(S.ShowProgress);
    EXPECT_TRUE(S.Centre);
    EXPECT_FALSE(S.Width);
    EXPECT_TRUE(TRegistry().KeyExists(SettingsKey));
}

TEST_F(SettingsStoreTest, OutOfRangeValuesKeepTheDefaults) {
    Put("SizeType", 7);
    Put("ToolbarPosition", 2);
    Put("ShowProgress", 0); // presence alone counts
    TStartSettings S = ReadStartSettings();
    EXPECT_FALSE(S.SizeType);
    EXPECT_FALSE(S.TopLayout);
    EXPECT_TRUE(S.ShowProgress);
    Put("SizeType", 2);
    Put("ToolbarPosition", 1);
    S = ReadStartSettings();
    EXPECT_EQ(S.SizeType, 2);
    EXPECT_TRUE(S.TopLayout);
}

TEST_F(SettingsStoreTest, SavedBoundsApplyOnlyInPairs) {
    Put("SavePos", 1);
    Put("Width", 700);
    Put("Height", 500);
    Put("Maximized", 1);
    TStartSettings S = ReadStartSettings();
    EXPECT_EQ(S.Width, 700);
    EXPECT_EQ(S.Height, 500);
    EXPECT_TRUE(S.Maximized);
    EXPECT_TRUE(S.Centre); // no Left/Top
    Put("Left", -20);
    Put("Top", 30);
    S = ReadStartSettings();
    EXPECT_FALSE(S.Centre);
    EXPECT_EQ(S.Left, -20);
    EXPECT_EQ(S.Top, 30);
    TRegistry Reg;
    Reg.OpenKey(SettingsKey, false);
    Reg.DeleteValue("Height");
    S = ReadStartSettings();
    EXPECT_FALSE(S.Width);
    EXPECT_FALSE(S.Maximized); // ignored without a size
    EXPECT_EQ(S.Left, -20);
}

TEST_F(SettingsStoreTest, ABadValueStopsTheReadingAndIsReported) {
    Put("ShowProgress", 1);
    {
        TRegistry Reg;
        Reg.OpenKey(SettingsKey, true);
        Reg.WriteString("SizeType", "Bytes");
    }
    TStartSettings S = ReadStartSettings();
    EXPECT_EQ(S.Error, "Invalid data type for 'SizeType'");
    EXPECT_FALSE(S.ShowProgress); // read after the failing value
    EXPECT_FALSE(S.Centre);
}

TEST_F(SettingsStoreTest, BoundsAreWrittenOnlyWhileSavePosExists) {
    EXPECT_EQ(WritePlacement({640, 480, 10, 20, true}), "");
    TRegistry Reg;
    Reg.OpenKey(SettingsKey, true);
    EXPECT_FALSE(Reg.ValueExists("Width"));
    Reg.WriteInteger("SavePos", 1);
    EXPECT_EQ(WritePlacement({640, 480, 10, 20, true}), "");
    Reg.OpenKey(SettingsKey, false);
    EXPECT_EQ(Reg.ReadInteger("Width"), 640);
    EXPECT_EQ(Reg.ReadInteger("Height"), 480);
    EXPECT_EQ(Reg.ReadInteger("Left"), 10);
    EXPECT_EQ(Reg.ReadInteger("Top"), 20);
    EXPECT_EQ(Reg.ReadInteger("Maximized"), 1);
}

} // namespace
