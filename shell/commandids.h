#pragma once

namespace ringvale {

// The toolbar's buttons that do something, by their place in the window design (the others are
// separators and blank spacers).
enum class ToolbarButton {
    Add = 1,
    SettingsAndHelp = 2,
    Exit = 4,
    Run = 7,
    StopPlaying = 9,
    SongStation = 11,
    County = 14,
};

// What the notification-area icon reports.
enum class TrayEvent {
    None = 0,
    Click = 1,       // the left button released
    DoubleClick = 2, // a double-click
    Menu = 3,        // the right button or the context-menu key
};

} // namespace ringvale
