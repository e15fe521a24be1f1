// Times the real program's startup under a running X server: from the fork of
// the program to the server mapping its main window, in a game directory with
// no mods and in one with 32,767 mods. The program treats its own directory as
// the game, so each game gets its own copy of the binary. Also reads the
// program's peak resident size (VmHWM) at the moment its window appears.
//
//   vx_startup_bench [path/to/deDidAzorovo [runs, 11 by default]]
//
// Needs DISPLAY with no window manager (bench/run-startup-bench.sh starts
// Xvfb). The last line is the 32,767-mod figure against the empty game.
#include "mod_names.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr auto kMapTimeout = std::chrono::seconds(20);
constexpr auto kExitTimeout = std::chrono::seconds(5);

std::vector<std::string> gamesMade;  // removed on the way out, even on failure

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "vx_startup_bench: %s\n", message.c_str());
    for (const std::string& dir : gamesMade) fs::remove_all(dir);
    std::exit(1);
}

// A game directory with the binary copied in; returns the copy's path.
std::string makeGame(const fs::path& program, int mods, std::string& dir) {
    dir = (fs::temp_directory_path() / "vx-startup-XXXXXX").string();
    if (!mkdtemp(dir.data())) fail("cannot create a temporary directory");
    gamesMade.push_back(dir);
    const int exe = open((dir + "/Vexmoor.exe").c_str(), O_CREAT | O_WRONLY, 0755);
    if (exe < 0 || close(exe) != 0) fail("cannot create Vexmoor.exe");
    fs::create_directory(dir + "/base.rte");
    for (int i = 0; i < mods; ++i) fs::create_directory(dir + "/" + modFolderName(i));
    const fs::path copy = fs::path(dir) / program.filename();
    fs::copy_file(program, copy);
    fs::permissions(copy, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    return copy.string();
}

double kibToMib(long kib) {
    return static_cast<double>(kib) / 1024.0;
}

long peakResidentKib(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    }
    fail("no VmHWM for the program");
}

// A window being gone by the time we ask about it is not a fault here.
int ignoreXErrors(Display*, XErrorEvent*) {
    return 0;
}

// True for the program's own top-level window: _NET_WM_PID names the child,
// or, where the property is not set, any window that is not override-redirect.
bool isProgramWindow(Display* display, const XMapEvent& map, pid_t pid) {
    if (map.override_redirect) return false;
    const Atom wmPid = XInternAtom(display, "_NET_WM_PID", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const int got = XGetWindowProperty(display, map.window, wmPid, 0, 1, False, XA_CARDINAL, &type, &format,
                                       &count, &after, &data);
    bool ours = true;
    if (got == Success && type == XA_CARDINAL && format == 32 && count == 1) {
        ours = static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data)) == pid;
    }
    if (data) XFree(data);
    return ours;
}

void stop(pid_t pid) {
    kill(pid, SIGTERM);
    const auto deadline = Clock::now() + kExitTimeout;
    while (waitpid(pid, nullptr, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            return;
        }
        usleep(10'000);
    }
}

struct Run {
    double ms;
    long peakKib;
};

// xvfb-run can hand over before its server listens (when it had to retry
// another display number), so allow the server a moment to come up.
Display* openDisplay() {
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (Clock::now() < deadline) {
        if (Display* display = XOpenDisplay(nullptr)) return display;
        usleep(50'000);
    }
    fail("cannot open the X display; run under bench/run-startup-bench.sh");
}

Run startOnce(const std::string& binary) {
    Display* display = openDisplay();
    XSetErrorHandler(ignoreXErrors);
    const int xfd = ConnectionNumber(display);
    fcntl(xfd, F_SETFD, FD_CLOEXEC);
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, True);

    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid < 0) fail("fork failed");
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        char* const argv[] = {const_cast<char*>(binary.c_str()), nullptr};
        execv(binary.c_str(), argv);
        _exit(127);
    }

    const auto deadline = start + kMapTimeout;
    for (;;) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type != MapNotify || event.xmap.event != root) continue;
            const auto mapped = Clock::now();
            if (!isProgramWindow(display, event.xmap, pid)) continue;
            const long peak = peakResidentKib(pid);
            stop(pid);
            XCloseDisplay(display);
            return {std::chrono::duration<double, std::milli>(mapped - start).count(), peak};
        }
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            fail(binary + " ended before showing its window (exit status " +
                 std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")");
        }
        if (Clock::now() > deadline) {
            stop(pid);
            fail(binary + " did not map a window within 20 s");
        }
        pollfd ready{xfd, POLLIN, 0};
        poll(&ready, 1, 100);  // short slices, to notice a program that exits
    }
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Figures {
    std::vector<double> times;
    std::vector<double> peaks;

    double ms() const { return median(times); }
    double peakMib() const { return median(peaks); }
    void add(const Run& r) {
        times.push_back(r.ms);
        peaks.push_back(kibToMib(r.peakKib));
    }
    void print(int mods) const {
        std::printf("%d mods: median %.2f ms (min %.2f, max %.2f) over %zu runs, peak rss %.1f MiB\n", mods,
                    ms(), *std::min_element(times.begin(), times.end()),
                    *std::max_element(times.begin(), times.end()), times.size(), peakMib());
    }
};

}  // namespace

int main(int argc, char** argv) {
    const fs::path program =
        argc > 1 ? fs::absolute(argv[1])
                 : fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "deDidAzorovo";
    const int runs = argc > 2 ? std::atoi(argv[2]) : 11;
    if (!fs::is_regular_file(program)) fail("no program at " + program.string());
    if (runs < 1) fail("the number of runs must be at least 1");

    // The two cases take turns, so a burst of other work on the machine
    // slows both alike rather than one of them.
    std::string noneDir, manyDir;
    const std::string noneBinary = makeGame(program, 0, noneDir);
    const std::string manyBinary = makeGame(program, 32767, manyDir);
    startOnce(noneBinary);  // warm-up: page cache, fonts, the server's first client
    startOnce(manyBinary);
    Figures none, many;
    for (int run = 0; run < runs; ++run) {
        none.add(startOnce(noneBinary));
        many.add(startOnce(manyBinary));
    }
    fs::remove_all(noneDir);
    fs::remove_all(manyDir);
    none.print(0);
    many.print(32767);
    std::printf("startup 32767 mods: %.2f ms, 0 mods: %.2f ms, ratio %.2f, peak rss %+.1f MiB\n", many.ms(),
                none.ms(), many.ms() / none.ms(), many.peakMib() - none.peakMib());
    return 0;
}
