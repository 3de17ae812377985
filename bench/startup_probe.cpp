// startup_probe RUNS SETTLE_MS PROGRAM... BASELINE
// Starts every program RUNS times, in turns, on the X display named by
// DISPLAY, and measures for each start the time from just before exec to
// the program's first top-level window appearing on the display (its
// MapNotify), and the peak resident memory after it has run SETTLE_MS
// longer. Prints the medians in a table, each beside the last program's, and
// the first program's targets with the spread of its start-by-start ratios.

#include <xcb/xcb.h>

#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double nowMs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Start
{
    double shownMs = -1;
    long peakKiB = -1;
    double cpuMs = -1;
};

Start startOnce(xcb_connection_t *x, const char *program, int settleMs)
{
    while (xcb_generic_event_t *old = xcb_poll_for_event(x))
        std::free(old);

    Start start;
    const double begin = nowMs();
    const pid_t pid = fork();
    if (pid == 0) {
        execl(program, program, static_cast<char *>(nullptr));
        _exit(127);
    }
    pollfd fd{xcb_get_file_descriptor(x), POLLIN, 0};
    while (start.shownMs < 0 && nowMs() - begin < 20000) {
        poll(&fd, 1, 100);
        while (xcb_generic_event_t *event = xcb_poll_for_event(x)) {
            if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY
                && !reinterpret_cast<xcb_map_notify_event_t *>(event)->override_redirect && start.shownMs < 0)
                start.shownMs = nowMs() - begin;
            std::free(event);
        }
        if (xcb_connection_has_error(x))
            break;
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            std::fprintf(stderr, "%s ended before showing a window\n", program);
            return Start{};
        }
    }
    usleep(static_cast<useconds_t>(settleMs) * 1000);
    kill(pid, SIGTERM);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    start.peakKiB = usage.ru_maxrss;
    start.cpuMs =
        (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    return start;
}

template<typename T>
T quantile(std::vector<T> values, size_t numerator, size_t denominator)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? T{} : values[(values.size() - 1) * numerator / denominator];
}

template<typename T>
T median(std::vector<T> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? T{} : values[values.size() / 2];
}

// The first program's figure over the last one's, start by start: the two
// ran back to back, so a busy moment of the machine touches both. Their
// middle half says how far the ratio of the medians can be trusted.
template<typename T>
std::vector<double> pairedRatios(const std::vector<T> &first, const std::vector<T> &base)
{
    std::vector<double> ratios;
    for (size_t run = 0; run < first.size() && run < base.size(); ++run)
        ratios.push_back(double(first[run]) / double(base[run]));
    return ratios;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: startup_probe RUNS SETTLE_MS PROGRAM... BASELINE\n");
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    const int settleMs = std::atoi(argv[2]);
    const std::vector<const char *> programs(argv + 3, argv + argc);

    xcb_connection_t *x = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(x)) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(x)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    if (xcb_generic_error_t *error =
            xcb_request_check(x, xcb_change_window_attributes_checked(x, screen->root, XCB_CW_EVENT_MASK, &mask))) {
        std::free(error);
        std::fprintf(stderr, "cannot watch the display\n");
        return 1;
    }

    // One start of each first, unmeasured: it fills the file cache.
    for (const char *program : programs)
        startOnce(x, program, 0);

    std::vector<std::vector<double>> shown(programs.size());
    std::vector<std::vector<long>> peak(programs.size());
    std::vector<std::vector<double>> cpu(programs.size());
    for (int run = 0; run < runs; ++run) {
        for (size_t p = 0; p < programs.size(); ++p) {
            const Start start = startOnce(x, programs[p], settleMs);
            if (start.shownMs < 0)
                return 1;
            shown[p].push_back(start.shownMs);
            peak[p].push_back(start.peakKiB);
            cpu[p].push_back(start.cpuMs);
        }
    }
    xcb_disconnect(x);

    const size_t base = programs.size() - 1;
    std::printf("| program | start-up to shown window (ms) | ratio | processor time (ms) | ratio "
                "| peak memory (MiB) | ratio |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|\n");
    for (size_t p = 0; p < programs.size(); ++p) {
        std::string name = programs[p];
        name = name.substr(name.find_last_of('/') + 1);
        std::printf("| %s | %.1f | %.2f | %.1f | %.2f | %.1f | %.2f |\n", name.c_str(), median(shown[p]),
                    median(shown[p]) / median(shown[base]), median(cpu[p]), median(cpu[p]) / median(cpu[base]),
                    median(peak[p]) / 1024.0, double(median(peak[p])) / double(median(peak[base])));
    }

    // The program's targets against the yardstick, a plain Qt program with
    // the same widgets: start no later, and take at most 5 % more memory.
    const double startRatio = median(shown[0]) / median(shown[base]);
    const double peakRatio = double(median(peak[0])) / double(median(peak[base]));
    const std::vector<double> startPairs = pairedRatios(shown[0], shown[base]);
    const std::vector<double> peakPairs = pairedRatios(peak[0], peak[base]);
    std::printf("\nTargets (in brackets: the middle half of the ratios of the %d starts taken in turns)\n", runs);
    std::printf("  start-up <= 1.0 x the last program's: %.2fx (%.2f-%.2fx): %s\n", startRatio,
                quantile(startPairs, 1, 4), quantile(startPairs, 3, 4), startRatio <= 1.0 ? "met" : "not met");
    std::printf("  peak memory <= 1.05 x the last program's: %.2fx (%.2f-%.2fx): %s\n", peakRatio,
                quantile(peakPairs, 1, 4), quantile(peakPairs, 3, 4), peakRatio <= 1.05 ? "met" : "not met");
    return 0;
}
