// SPDX-License-Identifier: GPL-3.0-or-later
// Preloaded into a Qt program under X: the first time it puts an image on
// the screen (its first painted frame), writes the CLOCK_MONOTONIC time in
// nanoseconds, as 8 bytes, to the file descriptor DIECI_FIRST_FRAME_FD.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdint.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

static void report(void)
{
    static int done;
    const char *fd = getenv("DIECI_FIRST_FRAME_FD");
    if (done || !fd)
        return;
    done = 1;
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    const int64_t ns = (int64_t)t.tv_sec * 1000000000 + t.tv_nsec;
    if (write(atoi(fd), &ns, sizeof ns) != (ssize_t)sizeof ns)
        return;
}

// The real function, from the library that holds it: Qt's platform plugin is
// opened locally, so its libraries are not in the global scope RTLD_NEXT sees.
static void *real_function(const char *library, const char *name)
{
    void *handle = dlopen(library, RTLD_LAZY | RTLD_NOLOAD);
    void *f = handle ? dlsym(handle, name) : NULL;
    return f ? f : dlsym(RTLD_NEXT, name);
}

// Qt's backing store puts its frames with one of these two; their cookies
// are plain structs of one unsigned int, passed through unchanged.
typedef struct {
    unsigned int sequence;
} cookie_t;

typedef cookie_t (*shm_put_fn)(void *, uint32_t, uint32_t, uint16_t, uint16_t, uint16_t, uint16_t,
                               uint16_t, uint16_t, int16_t, int16_t, uint8_t, uint8_t, uint8_t,
                               uint32_t, uint32_t);
typedef cookie_t (*put_fn)(void *, uint8_t, uint32_t, uint32_t, uint16_t, uint16_t, int16_t,
                           int16_t, uint8_t, uint8_t, uint32_t, const uint8_t *);

cookie_t xcb_shm_put_image(void *c, uint32_t drawable, uint32_t gc, uint16_t total_width,
                           uint16_t total_height, uint16_t src_x, uint16_t src_y,
                           uint16_t src_width, uint16_t src_height, int16_t dst_x, int16_t dst_y,
                           uint8_t depth, uint8_t format, uint8_t send_event, uint32_t shmseg,
                           uint32_t offset)
{
    static shm_put_fn real;
    if (!real)
        *(void **)(&real) = real_function("libxcb-shm.so.0", "xcb_shm_put_image");
    cookie_t cookie = real(c, drawable, gc, total_width, total_height, src_x, src_y, src_width,
                           src_height, dst_x, dst_y, depth, format, send_event, shmseg, offset);
    report();
    return cookie;
}

cookie_t xcb_put_image(void *c, uint8_t format, uint32_t drawable, uint32_t gc, uint16_t width,
                       uint16_t height, int16_t dst_x, int16_t dst_y, uint8_t left_pad,
                       uint8_t depth, uint32_t data_len, const uint8_t *data)
{
    static put_fn real;
    if (!real)
        *(void **)(&real) = real_function("libxcb.so.1", "xcb_put_image");
    cookie_t cookie =
        real(c, format, drawable, gc, width, height, dst_x, dst_y, left_pad, depth, data_len, data);
    report();
    return cookie;
}
