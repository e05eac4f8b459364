#pragma once

#include <filesystem>

namespace ringvale {

// Reads a PNG picture and writes it as a colour JPEG: quality 75, optimised Huffman tables, no
// input smoothing. Transparent parts are laid on white. False (and nothing written) when the
// source is missing or not a readable PNG.
bool convertPngToJpeg(const std::filesystem::path& source, const std::filesystem::path& target);

} // namespace ringvale
