// How long the forecast search takes on a real-shaped page and on pages built to make it
// backtrack, each cut to the 1 MB the HTTP client keeps. Prints min, median and max.
#include "benchutil.h"
#include "core/codepage.h"
#include "media/weatherprobe.h"

#include <string>

using namespace ringvale;
using namespace ringvale::bench;

namespace {

constexpr std::size_t kPageLimit = 1024 * 1024;

std::string repeated(const std::string& piece) {
    std::string page;
    while (page.size() + piece.size() <= kPageLimit)
        page += piece;
    return page;
}

void measure(const char* name, const std::string& page, int runs) {
    std::vector<double> times;
    bool matched = false;
    for (int run = 0; run < runs; ++run) {
        const auto start = BenchClock::now();
        matched = scrapeForecast(page).matched;
        times.push_back(millisecondsSince(start));
    }
    std::printf("%-44s %8.1f %8.1f %8.1f ms  (n = %d, %zu bytes, %s)\n", name,
                *std::min_element(times.begin(), times.end()), median(times),
                *std::max_element(times.begin(), times.end()), runs, page.size(),
                matched ? "matched" : "no match");
}

} // namespace

int main() {
    const std::string day = gbkFromUtf8("今天白天");
    const std::string real =
        std::string(40000, ' ') +
        gbkFromUtf8(
            "今天白天<img src=\"180_180/xiaoyu.png\"><li><b>12</b>℃</li><li><span>体感</span><b>10</b>℃</li>"
            "<li>小雨</li><li>北风3级</li>今天夜间<img src=\"180_180/yin.png\"><li><b>8</b>℃</li><li>阴</li>"
            "<li>微风</li>") +
        std::string(20000, ' ');
    std::printf("%-44s %8s %8s %8s\n", "scrapeForecast on", "min", "median", "max");
    measure("a real-shaped page (60 kB)", real, 20);
    measure("the same forecast after 960 kB of markup", std::string(960 * 1024, 'x') + real, 5);
    measure("the day's word repeated", repeated(day), 5);
    measure("the word and an icon, no temperature", repeated(day + "180_180/a.png<li>"), 5);
    measure("the word, no icon, then the whole night", repeated(day + "<li>x</li>") + gbkFromUtf8("今天夜间"),
            5);
    return 0;
}
