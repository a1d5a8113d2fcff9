#pragma once

// The program's options under the per-user key "Software\Quorvane": what the main window reads when it
// starts and writes when it ends. Each call opens the key, does its work and closes it again.
// User-interface thread. Registry errors are returned as texts, never thrown, so the caller can show them.

#include <cstdint>
#include <optional>
#include <string>

namespace quorvane {

inline constexpr const char* SettingsKey = "Software\\Quorvane";

// What the start-up reading found, in the order it is applied. Fields after a failed read stay unset; when
// the key itself cannot be opened (a damaged settings file) the defaults of a first start apply, centred.
struct TStartSettings {
    bool TopLayout = false;           // "ToolbarPosition" is 1
    std::optional<int> SizeType;      // "SizeType" when it is 0, 1 or 2
    bool ShowProgress = false;        // "ShowProgress" exists
    bool Centre = false;              // no saved position applies: centre the window on its monitor
    std::optional<int> Width, Height; // saved client size ("SavePos" with both values)
    bool Maximized = false;           // "Maximized" non-zero, only with a saved size
    std::optional<int> Left, Top;     // saved position ("SavePos" with both values)
    int Jobs = 0;                     // "Jobs": files a check hashes at once, 0 automatic
    std::string Error;                // the text of the read that failed; empty when all went well
};

// Reads the start-up settings; the key is created when missing.
TStartSettings ReadStartSettings();

// The last normal bounds of the main window and its state when it closes.
struct TPlacement {
    std::int32_t Width = 0, Height = 0, Left = 0, Top = 0;
    bool Maximized = false;
};

// Writes the bounds and "Maximized" while "SavePos" exists; returns the error text, empty on success.
std::string WritePlacement(const TPlacement& Placement);

// The options of the Options dialog.
struct TOptions {
    int SizeType = 0;        // "SizeType": 0 Auto, 1 KB, 2 Bytes (another stored number is kept as it is)
    int ToolbarPosition = 0; // "ToolbarPosition": 0 left, 1 top
    bool SavePos = false;    // "SavePos" exists
    bool ShowProgress = false; // "ShowProgress" exists
};

// Reads the options (the key is created when missing); throws ERegistryException.
TOptions ReadOptions();
// Writes "SizeType" and "ToolbarPosition", writes "SavePos" and "ShowProgress" as 1 or deletes them;
// throws ERegistryException ("Failed to set data for '%s'").
void WriteOptions(const TOptions& Options);

} // namespace quorvane
