#pragma once

#include "media/loudness.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace ringvale {

// Where measured loudness is kept, beside the timetables.
std::filesystem::path loudnessCachePath(const std::filesystem::path& programDir);

// The loudness of every music file played, measured once on a worker of its own and kept by the
// file's content (SHA-256), so a file renamed or copied is not measured again and a file
// changed in place is. Callable from any thread.
class LoudnessLibrary {
public:
    LoudnessLibrary(std::filesystem::path cacheFile, double targetLufs = kDefaultTargetLufs);
    ~LoudnessLibrary();
    LoudnessLibrary(const LoudnessLibrary&) = delete;
    LoudnessLibrary& operator=(const LoudnessLibrary&) = delete;

    // The gain in dB that brings the file to the target loudness; none while it is not measured
    // yet (it is then measured in the background) or cannot be. Reads the file once per change
    // to know its content; never decodes it.
    std::optional<double> gainFor(const std::filesystem::path& file);
    void setTargetLufs(double targetLufs);
    double targetLufs() const;
    // Waits until nothing is left to measure (for tests and benchmarks).
    bool waitUntilIdle(std::chrono::milliseconds timeout);

private:
    struct Known {
        std::uintmax_t size = 0;
        std::filesystem::file_time_type changed;
        std::string hash;
    };
    std::optional<std::string> contentHash(const std::filesystem::path& file);
    void measureQueued();
    void load();
    void keep(const std::string& hash, const Loudness& loudness);

    const std::filesystem::path m_cacheFile;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    double m_target;
    std::map<std::string, Loudness> m_measured;                        // by content hash
    std::map<std::filesystem::path, Known> m_files;                    // what each file held when last read
    std::deque<std::pair<std::filesystem::path, std::string>> m_queue; // file, hash
    bool m_measuring = false;
    std::atomic<bool> m_ending{false};
    std::thread m_worker;
};

} // namespace ringvale
