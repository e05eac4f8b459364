#pragma once

#include <string>

namespace ringvale {

// The rule editor's state, owned by the user-interface thread.
struct EditorState {
    enum class Mode { Add, Modify };
    Mode mode = Mode::Add;
    int row = 0;      // the table row being modified
    std::string text; // the timetable file's text as last read

    // The timetable file the open editor writes to (GBK); it follows the main window's switches.
    std::string timetablePath;
    // In modify mode: the record being modified as it stood in the file (without its leading "*").
    std::string shownRecord;
};

} // namespace ringvale
