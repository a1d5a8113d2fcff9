#pragma once

// A fixture giving each test its own settings folder (Dir/cfg), with helpers for the window's values in it.

#include <gtest/gtest.h>

#include "settings/Registry.h"
#include "settings/SettingsStore.h"
#include "support/TestSupport.h"

using namespace quorvane;

class ScratchRegistry : public ::testing::Test {
protected:
    ScratchRegistry() { SetRegistryFolder(QString::fromStdString(Dir / "cfg")); }
    ~ScratchRegistry() override { SetRegistryFolder({}); }

    static std::string UserFile() { return RegistryFile(TRegRoot::CurrentUser).toStdString(); }
    void WriteUserFile(const std::string& Text) const { Dir.Write("cfg/user.reg", Text); }
    static void Put(const std::string& Name, int Value) {
        TRegistry Reg;
        Reg.OpenKey(SettingsKey, true);
        Reg.WriteInteger(Name, Value);
    }
    // The stored window bounds as "Width Height Left Top Maximized", "-" for a missing value or key.
    static std::string SavedBounds() {
        TRegistry Reg;
        Reg.OpenKey(SettingsKey, false);
        std::string Text;
        for (const char* Name : {"Width", "Height", "Left", "Top", "Maximized"})
            Text += (Reg.ValueExists(Name) ? std::to_string(Reg.ReadInteger(Name)) : "-") + " ";
        return Text.substr(0, Text.size() - 1);
    }

    qvtest::TempDir Dir;
};
