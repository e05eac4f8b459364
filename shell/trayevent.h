#pragma once

namespace ringvale {

// What the notification-area icon reports.
enum class TrayEvent {
    None = 0,
    Click = 1,       // the left button released
    DoubleClick = 2, // a double-click
    Menu = 3,        // the right button or the context-menu key
};

} // namespace ringvale
