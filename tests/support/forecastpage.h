#pragma once

#include "core/codepage.h"

#include <string>

namespace ringvale::testing {

// A forecast page (GBK) that the weather expression reads: the daytime icon `icon` (as it
// stands before "png", normally with its dot) and today's daytime text, padded to `size` bytes.
inline std::string forecastPage(const std::string& icon, const std::string& dayTextUtf8,
                                std::size_t size = 40000) {
    std::string page =
        gbkFromUtf8("<html><body><div>今天白天</div><img src=\"http://x/images/yb3/180_180/") + icon +
        "png\"><ul><li><span>" + gbkFromUtf8("25℃</span></li><li>体感</span><b>27℃</b></li><li>") +
        gbkFromUtf8(dayTextUtf8) + gbkFromUtf8("</li><li>北风3级</li></ul><div>今天夜间</div>") +
        "<img src=\"http://x/images/yb3/180_180/yin.png\"><ul><li><b>" +
        gbkFromUtf8("18℃</b></li><li>阴</li><li>微风</li></ul>");
    std::string filler = "<!--";
    while (page.size() + filler.size() + 3 < size)
        filler += ' ';
    page += filler + "-->";
    return page.substr(0, size);
}

} // namespace ringvale::testing
