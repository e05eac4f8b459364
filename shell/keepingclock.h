#pragma once

#include <QEventLoop>
#include <QMetaObject>

#include <thread>
#include <type_traits>

namespace ringvale {

// Runs blocking work (a weather request that may wait for the network for half a minute) on a
// thread of its own and waits for it without stopping the clock: timers and posted updates go
// on, the operator's input waits. So a bell never misses its minute behind a slow server.
template <typename Work> auto runKeepingClock(Work work) -> std::invoke_result_t<Work> {
    std::invoke_result_t<Work> result{};
    QEventLoop loop;
    std::thread worker([&] {
        result = work();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    return result;
}

} // namespace ringvale
