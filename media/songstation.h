#pragma once

#include "core/appconfig.h"
#include "core/dialogs.h"
#include "core/playback.h"
#include "core/scheduleview.h"

#include <string>
#include <string_view>

namespace ringvale {

// The twenty slot labels of the request board.
class SongBoard {
public:
    virtual ~SongBoard() = default;
    virtual std::string slotCaption(int slot) const = 0; // GBK
    // Setting a caption clears the slot's mark.
    virtual void setSlotCaption(int slot, std::string_view caption) = 0;
    // The slot's file cannot be played (reason in UTF-8): the slot shows it, its caption unchanged.
    virtual void markSlotProblem(int slot, std::string_view reason) = 0;
};

// The request board: a left press on an empty slot chooses its file, on a filled one plays it
// once; a right press empties it. The paths live in the settings file only.
class SongStation {
public:
    static constexpr int kSlots = 20;

    SongStation(const AppConfig& config, Playback& playback, SongBoard& board, StatusBoard& status,
                Dialogs& dialogs, BellLog& log);

    void onLeftPress(int slot);
    void onRightPress(int slot);
    void restoreSlots();

private:
    const AppConfig& m_config;
    Playback& m_playback;
    SongBoard& m_board;
    StatusBoard& m_status;
    Dialogs& m_dialogs;
    BellLog& m_log;
};

} // namespace ringvale
