#pragma once
// What the check cycle shows in the main window: the status line, the state of the button that runs a
// check at once, the content view's listing and the hiding to the tray of the first countdown tick.

#include <string_view>

namespace app {

class CheckView {
public:
    virtual ~CheckView() = default;

    // Shift_JIS; empty clears the line.
    virtual void SetStatusText(std::string_view text) = 0;
    virtual void SetCheckNowEnabled(bool enabled) = 0;
    // The listing was emptied (every check starts so).
    virtual void ContentViewCleared() = 0;
    // The listing grew by this entry: Shift_JIS lines, each ending in CR LF.
    virtual void ContentEntryAppended(std::string_view entry) = 0;
    // Hides the task-bar button, then the main window; the tray icon stays.
    virtual void MinimizeToTray() = 0;
};

}  // namespace app
