// SPDX-License-Identifier: GPL-3.0-or-later
// A disk whose flushes take DIECI_SLOW_FSYNC_MS (250 by default), for measuring
// what a slow disk costs: LD_PRELOAD=libslowfsync.so program ...
#define _GNU_SOURCE
#include <stdlib.h>
#include <time.h>

static void pause_for_disk(void)
{
    const char *ms = getenv("DIECI_SLOW_FSYNC_MS");
    const long wait = ms ? atol(ms) : 250;
    struct timespec t = {wait / 1000, (wait % 1000) * 1000000L};
    nanosleep(&t, NULL);
}

// The flush itself is skipped: only its time matters here.
int fsync(int fd)
{
    (void)fd;
    pause_for_disk();
    return 0;
}

int fdatasync(int fd)
{
    (void)fd;
    pause_for_disk();
    return 0;
}
