#pragma once

#include "core/dialogs.h"

#include <QString>

namespace ringvale {

// Message boxes without an owner window, modal to the program, and the open-file dialog.
class QtDialogs final : public Dialogs {
public:
    void showError(std::string_view text) override;
    bool askYesNo(std::string_view text, std::string_view caption) override;
    void showMessage(std::string_view text, std::string_view caption, bool iconless) override;
    std::optional<std::string> chooseFileToOpen(std::string_view filter) override;
    std::optional<std::string> chooseFileToSave(std::string_view filter, std::string_view suggested) override;
};

// A filter "description|*.A;*.B" as a Qt name filter that matches either letter case.
QString qtFileFilter(std::string_view filter);

} // namespace ringvale
