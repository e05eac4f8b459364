#include "playerengine.h"

#include "audiodecoder.h"
#include "codepage.h"

namespace ringvale {

Player::Player(AudioSink& sink, std::vector<std::string> playList, std::int32_t passes)
    : m_sink(sink), m_playList(std::move(playList)), m_remainingPasses(passes) {}

Player::~Player() {
    m_cancelled = true;
    if (m_worker.joinable())
        m_worker.join();
}

void Player::run() {
    for (;;) {
        while (m_position < m_playList.size()) {
            if (m_cancelled || !playFile(m_playList[m_position])) {
                m_active = false;
                return;
            }
            ++m_position;
        }
        m_position = 0;
        if (m_remainingPasses > 0 && --m_remainingPasses == 0)
            break;
    }
    m_active = false;
}

bool Player::playFile(const std::string& path) {
    AudioDecoder decoder;
    const AudioFormat format = m_sink.format();
    if (!decoder.open(toFileName(path), format))
        return false;
    std::vector<std::int16_t> samples;
    std::size_t total = 0;
    while (!m_cancelled) {
        const std::size_t frames = decoder.decode(samples);
        if (frames == 0)
            break;
        total += frames;
        if (!m_sink.write(samples.data(), frames, m_cancelled))
            return false;
    }
    // A file that gives no sound at all counts as undecodable: the player falls silent rather
    // than spinning over it pass after pass.
    return total > 0 && !m_cancelled;
}

std::unique_ptr<Player> CreatePlayer(AudioSink& sink, std::vector<std::string> playList,
                                     std::int32_t passes) {
    return std::make_unique<Player>(sink, std::move(playList), passes);
}

void NewPlay(Player& player) {
    if (player.m_worker.joinable())
        return;
    if (!player.m_sink.begin())
        return; // no output: silence
    player.m_active = true;
    player.m_worker = std::thread([&player] { player.run(); });
}

void RemovePlayer(std::unique_ptr<Player>& player) {
    if (!player)
        return;
    player->m_cancelled = true;
    player->m_sink.discard();
    if (player->m_worker.joinable())
        player->m_worker.join();
    // The worker may have handed over one last chunk between the first discard and its exit.
    player->m_sink.discard();
    player.reset();
}

} // namespace ringvale
