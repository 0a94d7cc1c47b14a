// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up, side by side: from the start of a process to its first painted
// frame, for dieci (whose first frame is the name box) and for a bare Qt window
// with a form, in interleaved runs, each in a fresh home folder. Needs an X
// display (Xvfb with a window manager).
//   bench_startup DIECI BAREFORM FIRSTFRAME_LIB [runs]
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {
std::int64_t nowNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return std::int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// Milliseconds from the spawn to the first frame; -1 when none came.
double firstFrameMs(const char *program, const QByteArray &preload)
{
    QTemporaryDir home;
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    std::vector<QByteArray> env;
    for (char **e = environ; *e; ++e)
        if (strncmp(*e, "HOME=", 5) && strncmp(*e, "LD_PRELOAD=", 11) &&
            strncmp(*e, "XDG_DATA_HOME=", 14))
            env.emplace_back(*e);
    env.push_back("HOME=" + QFile::encodeName(home.path()));
    env.push_back("LD_PRELOAD=" + preload);
    env.push_back("DIECI_FIRST_FRAME_FD=" + QByteArray::number(fds[1]));
    std::vector<char *> envp;
    for (QByteArray &e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    char *argv[] = {const_cast<char *>(program), nullptr};
    pid_t pid = 0;
    const std::int64_t start = nowNs();
    if (posix_spawn(&pid, program, nullptr, nullptr, argv, envp.data()) != 0)
        return -1;
    close(fds[1]);
    std::int64_t frame = 0;
    const bool got = read(fds[0], &frame, sizeof frame) == sizeof frame;
    close(fds[0]);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return got ? double(frame - start) / 1e6 : -1;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
} // namespace

int main(int argc, char *argv[])
{
    if (argc < 4 || !std::getenv("DISPLAY"))
        return std::fprintf(stderr, "usage: DISPLAY=... bench_startup DIECI BAREFORM "
                                    "FIRSTFRAME_LIB [runs]\n"),
               2;
    const int runs = argc > 4 ? std::atoi(argv[4]) : 9;
    const QByteArray preload(argv[3]);
    std::vector<double> dieci, bare;
    firstFrameMs(argv[1], preload); // both warm the disk cache first
    firstFrameMs(argv[2], preload);
    for (int i = 0; i < runs; ++i) {
        bare.push_back(firstFrameMs(argv[2], preload));
        dieci.push_back(firstFrameMs(argv[1], preload));
    }
    for (double ms : dieci)
        if (ms < 0)
            return std::fprintf(stderr, "a run showed no frame\n"), 1;
    std::printf("first frame, median of %d interleaved runs: dieci %.1f ms, a bare Qt window with "
                "a form %.1f ms (%.2fx)\n",
                runs, median(dieci), median(bare), median(dieci) / median(bare));
    return 0;
}
