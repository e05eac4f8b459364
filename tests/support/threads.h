#pragma once

#include <dirent.h>

namespace ringvale::testing {

// The number of threads this process has now.
inline int threadCount() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (const dirent* entry = readdir(dir))
            count += entry->d_name[0] != '.';
        closedir(dir);
    }
    return count;
}

} // namespace ringvale::testing
