#include "media/loudnesslibrary.h"

#include "core/filestore.h"
#include "core/gbktext.h"

extern "C" {
#include <libavutil/mem.h>
#include <libavutil/sha.h>
}

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace ringvale {

namespace {
constexpr const char* kLoudnessFileName = "响度.INI";
constexpr std::size_t kHashChunk = 1 << 16;
constexpr int kShaBits = 256;

std::string hex(const std::uint8_t* bytes, std::size_t size) {
    static const char* digits = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < size; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0xf];
    }
    return text;
}
} // namespace

std::filesystem::path loudnessCachePath(const std::filesystem::path& programDir) {
    return programDir / std::filesystem::u8path(kLoudnessFileName);
}

LoudnessLibrary::LoudnessLibrary(std::filesystem::path cacheFile, double targetLufs)
    : m_cacheFile(std::move(cacheFile)), m_target(targetLufs) {
    load();
    m_worker = std::thread([this] { measureQueued(); });
}

LoudnessLibrary::~LoudnessLibrary() {
    {
        std::lock_guard lock(m_mutex);
        m_ending = true;
    }
    m_wake.notify_all();
    m_worker.join();
}

void LoudnessLibrary::setTargetLufs(double targetLufs) {
    std::lock_guard lock(m_mutex);
    m_target = targetLufs;
}

double LoudnessLibrary::targetLufs() const {
    std::lock_guard lock(m_mutex);
    return m_target;
}

std::optional<std::string> LoudnessLibrary::contentHash(const std::filesystem::path& file) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        return std::nullopt;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    const auto changed = std::filesystem::last_write_time(file, error);
    if (error)
        return std::nullopt;
    {
        std::lock_guard lock(m_mutex);
        const auto known = m_files.find(file);
        if (known != m_files.end() && known->second.size == size && known->second.changed == changed)
            return known->second.hash;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::unique_ptr<AVSHA, void (*)(void*)> sha(av_sha_alloc(), av_free);
    if (!sha || av_sha_init(sha.get(), kShaBits) < 0)
        return std::nullopt;
    std::vector<char> chunk(kHashChunk);
    while (in) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        av_sha_update(sha.get(), reinterpret_cast<const std::uint8_t*>(chunk.data()),
                      static_cast<std::size_t>(in.gcount()));
    }
    std::uint8_t digest[kShaBits / 8];
    av_sha_final(sha.get(), digest);
    const std::string hash = hex(digest, sizeof digest);
    std::lock_guard lock(m_mutex);
    m_files[file] = {size, changed, hash};
    return hash;
}

std::optional<double> LoudnessLibrary::gainFor(const std::filesystem::path& file) {
    const std::optional<std::string> hash = contentHash(file);
    if (!hash)
        return std::nullopt;
    std::lock_guard lock(m_mutex);
    const auto measured = m_measured.find(*hash);
    if (measured != m_measured.end())
        return normalisingGainDb(measured->second, m_target);
    const bool queued = std::any_of(m_queue.begin(), m_queue.end(),
                                    [&hash](const auto& item) { return item.second == *hash; });
    if (!queued) {
        m_queue.emplace_back(file, *hash);
        m_wake.notify_all();
    }
    return std::nullopt;
}

bool LoudnessLibrary::waitUntilIdle(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_idle.wait_for(lock, timeout, [this] { return m_queue.empty() && !m_measuring; });
}

void LoudnessLibrary::measureQueued() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_ending || !m_queue.empty(); });
        if (m_ending)
            return;
        const auto [file, hash] = m_queue.front();
        m_measuring = true;
        lock.unlock();
        // A file that cannot be measured plays at its own level; it is tried again after a restart.
        const std::optional<Loudness> loudness = measureLoudness(file, &m_ending);
        if (loudness)
            keep(hash, *loudness);
        lock.lock();
        m_queue.pop_front();
        m_measuring = false;
        if (m_queue.empty())
            m_idle.notify_all();
    }
}

void LoudnessLibrary::keep(const std::string& hash, const Loudness& loudness) {
    std::string text;
    {
        std::lock_guard lock(m_mutex);
        m_measured[hash] = loudness;
        for (const auto& [key, value] : m_measured) {
            char line[160];
            std::snprintf(line, sizeof line, "%s\t%.2f\t%.2f\r\n", key.c_str(), value.integratedLufs,
                          value.truePeakDbtp);
            text += line;
        }
    }
    // Losing the file only costs measuring again.
    (void)writeFileAtomic(m_cacheFile, text);
}

void LoudnessLibrary::load() {
    const FileRead file = readWholeFile(m_cacheFile);
    if (!file.ok())
        return;
    std::istringstream lines(file.bytes);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string hash;
        Loudness loudness;
        if (fields >> hash >> loudness.integratedLufs >> loudness.truePeakDbtp && hash.size() == kShaBits / 4)
            m_measured[hash] = loudness;
    }
}

} // namespace ringvale
