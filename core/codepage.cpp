#include "core/codepage.h"

#include <cerrno>
#include <iconv.h>

namespace ringvale {

namespace {

// Converts with iconv; bytes it cannot convert are copied as they are and conversion goes on
// after them, so a damaged text still comes through whole.
std::string convert(const char* to, const char* from, std::string_view input) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::string(input);
    std::string out;
    out.reserve(input.size() * 3 / 2 + 8);
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    char buffer[1024];
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (rc == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG)
                continue;
            // EILSEQ or EINVAL: keep the offending byte and resynchronise after it.
            out.push_back(*in);
            ++in;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

} // namespace

bool looksLikeUtf8(std::string_view bytes) {
    bool beyondAscii = false;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = lead < 0x80             ? 1
                                   : (lead & 0xE0) == 0xC0 ? 2
                                   : (lead & 0xF0) == 0xE0 ? 3
                                   : (lead & 0xF8) == 0xF0 ? 4
                                                           : 0;
        if (length == 0 || i + length > bytes.size() || (length == 2 && lead < 0xC2))
            return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80)
                return false;
        beyondAscii = beyondAscii || length > 1;
        i += length;
    }
    return beyondAscii;
}

std::string gbkFileText(std::string bytes, bool* convertedFromUtf8) {
    const bool utf8 = looksLikeUtf8(bytes);
    if (convertedFromUtf8)
        *convertedFromUtf8 = utf8;
    if (!utf8)
        return bytes;
    std::string_view text = bytes;
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    return gbkFromUtf8(text);
}

std::string gbkFromUtf8(std::string_view utf8) {
    return convert("GB18030", "UTF-8", utf8);
}

std::string utf8FromGbk(std::string_view gbk) {
    return convert("UTF-8", "GB18030", gbk);
}

std::filesystem::path toFileName(std::string_view gbkPath) {
    std::string utf8 = utf8FromGbk(gbkPath);
    // A backslash in a GBK text is a separator only outside double-byte characters; after
    // conversion to UTF-8 every remaining '\' byte is a real backslash character.
    for (char& c : utf8) {
        if (c == '\\')
            c = '/';
    }
    return std::filesystem::path(utf8);
}

std::string fromFileName(const std::filesystem::path& path) {
    return gbkFromUtf8(path.string());
}

} // namespace ringvale
