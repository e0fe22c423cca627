#pragma once

#include <ctime>

// The processor time this thread has used, in milliseconds: unlike the wall clock it does not
// count the time other programs on a busy machine take, so blocks far apart compare fairly.
inline double ThreadMilliseconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}
