#pragma once

#include "core/playback.h"
#include "media/audiosink.h"
#include "media/playerengine.h"

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace ringvale {

// Plays music files through the sound output, one playback at a time. Every request first ends
// whatever plays; playback runs on the player's own worker, so the calls return at once.
// Called from the user-interface thread.
class AudioPlayer final : public Playback {
public:
    explicit AudioPlayer(AudioSink& sink);
    ~AudioPlayer() override;
    AudioPlayer(const AudioPlayer&) = delete;
    AudioPlayer& operator=(const AudioPlayer&) = delete;

    // Plays the files `count` times in a row: 0 only silences, a negative count repeats without
    // end. Each argument is a path or a list of paths; empty paths are skipped.
    template <typename... Files> void play(std::int32_t count, const Files&... files) {
        std::vector<std::string> list;
        (append(list, files), ...);
        playList(count, std::move(list));
    }
    // One file, once.
    void play(const std::string& file) { playList(1, {file}); }

    void playList(std::int32_t count, std::vector<std::string> files);
    void stopAll() override;
    void playFile(std::int32_t count, const std::string& path) override { playList(count, {path}); }
    void prepare() override { m_sink.prepare(); }

    // True while the current player still decodes or hands over sound (for tests and benchmarks).
    bool isSounding() const;
    // Workers that a stop left running because they did not end in time (for tests).
    int leftBehindWorkers() const { return m_leftBehind->count(); }

private:
    static void append(std::vector<std::string>& list, const std::string& path) { list.push_back(path); }
    static void append(std::vector<std::string>& list, const char* path) {
        if (path)
            list.emplace_back(path);
    }
    static void append(std::vector<std::string>& list, const std::vector<std::string>& paths) {
        list.insert(list.end(), paths.begin(), paths.end());
    }

    AudioSink& m_sink;
    std::shared_ptr<LeftBehindWorkers> m_leftBehind;
    std::unique_ptr<Player> m_current;
};

} // namespace ringvale
