#pragma once

// Conversion between the GBK texts the engine keeps and the UTF-8 of the filesystem and the
// source code. GB18030 is used on the GBK side: it equals GBK for every GBK character and can
// still encode any Unicode file name, so no path loses characters on the way.

#include <filesystem>
#include <string>
#include <string_view>

namespace ringvale {

// UTF-8 to GB18030. A byte that is not valid UTF-8 is passed through unchanged.
std::string gbkFromUtf8(std::string_view utf8);

// GB18030 to UTF-8. A byte that is not valid GB18030 is passed through unchanged.
std::string utf8FromGbk(std::string_view gbk);

// True when the bytes are UTF-8 holding at least one character beyond ASCII (a UTF-8 byte order
// mark counts): such a text was saved as UTF-8, not GBK. (Chinese GBK text is almost never
// valid UTF-8.)
bool looksLikeUtf8(std::string_view bytes);

// A GBK file's text as the program reads it: a file saved as UTF-8 instead (see looksLikeUtf8)
// is converted, its byte order mark dropped, and `convertedFromUtf8` set.
std::string gbkFileText(std::string bytes, bool* convertedFromUtf8 = nullptr);

// The filesystem path for a GBK path text ("\" is accepted as a separator as well as "/").
std::filesystem::path toFileName(std::string_view gbkPath);

// The GBK text of a filesystem path.
std::string fromFileName(const std::filesystem::path& path);

} // namespace ringvale

// Defines `const std::string& function()` returning the GBK form of a UTF-8 literal, converted
// once on first use.
#define RINGVALE_GBK_TEXT(function, utf8)                                                                    \
    const std::string& function() {                                                                          \
        static const std::string text = ::ringvale::gbkFromUtf8(utf8);                                       \
        return text;                                                                                         \
    }
