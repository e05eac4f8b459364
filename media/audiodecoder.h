#pragma once

#include "media/audiosink.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace ringvale {

// Decodes one music file (MP3, WMA, WAV, OGG, FLAC, M4A … whatever FFmpeg reads) into the
// sample format of the output. Only regular files are opened, by the program itself, never as
// an FFmpeg URL, and never in a way that blocks (a FIFO or a device is refused). Frames whose
// channel layout or rate changes midway are converted with a converter set up for them.
class AudioDecoder {
public:
    AudioDecoder();
    ~AudioDecoder();
    AudioDecoder(const AudioDecoder&) = delete;
    AudioDecoder& operator=(const AudioDecoder&) = delete;

    // False when the file cannot be opened or holds no decodable audio stream. Reading stops as
    // soon as `cancelled` becomes true; it must outlive the decoder.
    bool open(const std::filesystem::path& file, const AudioFormat& format,
              const std::atomic<bool>* cancelled = nullptr);
    // Replaces `out` with the next decoded samples (interleaved). Returns the number of frames,
    // 0 at the end of the file or once cancelled. Damaged packets are skipped.
    std::size_t decode(std::vector<std::int16_t>& out);
    // Why the last open() failed: "not found", "cannot be opened: …" or "cannot be decoded: …".
    const std::string& error() const { return m_error; }

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    std::string m_error;
};

} // namespace ringvale
