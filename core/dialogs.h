#pragma once

// The message boxes and the file dialog, as the commands need them. Texts are GBK. The window
// implements these with modal Qt dialogs; tests answer them with fakes, so no dialog ever runs
// in a test.

#include <optional>
#include <string>
#include <string_view>

namespace ringvale {

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A refusal: caption "提示...", the error icon, an OK button.
    virtual void showError(std::string_view text) = 0;
    // A question with Yes and No and the information icon; true for Yes.
    virtual bool askYesNo(std::string_view text, std::string_view caption) = 0;
    // A notice with an OK button; `iconless` shows no icon.
    virtual void showMessage(std::string_view text, std::string_view caption, bool iconless) = 0;
    // The open-file dialog with one filter ("description|patterns"); the chosen path, or nothing.
    virtual std::optional<std::string> chooseFileToOpen(std::string_view filter) = 0;
    // The save-file dialog, the same filter, `suggested` the name offered; the chosen path, or nothing.
    virtual std::optional<std::string> chooseFileToSave(std::string_view filter,
                                                        std::string_view suggested) = 0;
};

} // namespace ringvale
