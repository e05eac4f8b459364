#pragma once

// The player engine behind AudioPlayer: a player owns a play list, a pass count and a worker
// thread that decodes the current file and hands it to the sink.

#include "audiosink.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace ringvale {

class Player {
public:
    Player(AudioSink& sink, std::vector<std::string> playList, std::int32_t passes);
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // True while the worker still decodes or hands over sound.
    bool isActive() const { return m_active.load(); }

private:
    friend void NewPlay(Player& player);
    friend void RemovePlayer(std::unique_ptr<Player>& player);

    void run();
    // Plays one file to its end; false when it could not be played or playback was cancelled.
    bool playFile(const std::string& path);

    AudioSink& m_sink;
    const std::vector<std::string> m_playList;
    std::int32_t m_remainingPasses; // 0 = without end
    std::size_t m_position = 0;
    std::atomic<bool> m_cancelled{false};
    std::atomic<bool> m_active{false};
    std::thread m_worker;
};

// A player for the list (GBK paths, none empty) and pass count (> 0, or 0 for without end).
std::unique_ptr<Player> CreatePlayer(AudioSink& sink, std::vector<std::string> playList, std::int32_t passes);

// Starts the player's worker at its current file.
void NewPlay(Player& player);

// Silences the player at once, ends its worker, waits for it, and destroys the player.
void RemovePlayer(std::unique_ptr<Player>& player);

} // namespace ringvale
