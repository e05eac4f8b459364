#include "media/songstation.h"

#include "core/codepage.h"
#include "core/gbktext.h"
#include "core/musicfilecheck.h"

namespace ringvale {

SongStation::SongStation(const AppConfig& config, Playback& playback, SongBoard& board, StatusBoard& status,
                         Dialogs& dialogs, BellLog& log)
    : m_config(config), m_playback(playback), m_board(board), m_status(status), m_dialogs(dialogs),
      m_log(log) {}

void SongStation::onLeftPress(int slot) {
    static const std::string kFilter = gbkFromUtf8("音乐文件|*.MP3");
    static const std::string kPlaying = gbkFromUtf8("正在播放:");
    if (slot < 1 || slot > kSlots)
        return;
    const std::string key = std::to_string(slot);
    if (m_board.slotCaption(slot).empty()) {
        const auto path = m_dialogs.chooseFileToOpen(kFilter);
        if (!path || path->empty())
            return;
        m_config.writeOrReport(settings::songSection(), key, *path);
        m_board.setSlotCaption(slot, displayName(*path));
        return;
    }
    m_playback.stopAll();
    const std::string path = m_config.read(settings::songSection(), key);
    const PlayId id = m_playback.playFile(1, path);
    m_status.setStatusText(kPlaying + displayName(path));
    BellEntry entry;
    entry.event = BellEvent::Played;
    entry.file = utf8FromGbk(path);
    entry.detail = "song station slot " + key;
    m_log.record(entry);
    m_log.expectOutcome(id, std::move(entry), std::nullopt);
}

void SongStation::onRightPress(int slot) {
    if (slot < 1 || slot > kSlots)
        return;
    m_board.setSlotCaption(slot, {});
    m_config.writeOrReport(settings::songSection(), std::to_string(slot), {});
}

void SongStation::restoreSlots() {
    for (int slot = 1; slot <= kSlots; ++slot) {
        const std::string path = m_config.read(settings::songSection(), std::to_string(slot));
        m_board.setSlotCaption(slot, displayName(path));
        if (const auto problem = musicFileProblem(m_playback.locate(path))) {
            m_board.markSlotProblem(slot, *problem);
            BellEntry entry =
                systemEntry("song station slot " + std::to_string(slot) + ": music file " + *problem);
            entry.file = utf8FromGbk(path);
            m_log.record(std::move(entry));
        }
    }
}

} // namespace ringvale
