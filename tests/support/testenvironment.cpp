// Linked into every test executable: before main, the defaults every test relies on, so a test
// run by hand is as safe as one run by CTest (never the real sound device, never a real screen).

#include <cstdlib>

namespace {

const bool kDefaultsSet = [] {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("LANG", "C.UTF-8", 0);
    setenv("QTEST_DISABLE_STACK_DUMP", "1", 0);
    return true;
}();

} // namespace
