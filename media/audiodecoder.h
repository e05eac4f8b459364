#pragma once

#include "audiosink.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

namespace ringvale {

// Decodes one music file (MP3, WMA, WAV, OGG, FLAC, M4A … whatever FFmpeg reads) into the
// sample format of the output.
class AudioDecoder {
public:
    AudioDecoder();
    ~AudioDecoder();
    AudioDecoder(const AudioDecoder&) = delete;
    AudioDecoder& operator=(const AudioDecoder&) = delete;

    // False when the file cannot be opened or holds no decodable audio stream.
    bool open(const std::filesystem::path& file, const AudioFormat& format);
    // Replaces `out` with the next decoded samples (interleaved). Returns the number of frames,
    // 0 at the end of the file. Damaged packets are skipped.
    std::size_t decode(std::vector<std::int16_t>& out);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace ringvale
