// Times the Windows program's startup: from CreateProcess to its main window
// being visible and its message loop answering, in a game directory with no
// mods and in one with 32,767 mods. The program treats its own directory as
// the game, so each game holds its own copy of the exe.
//
//   vx_windows_startup_bench --names N      prints N mod folder names (UTF-8)
//   vx_windows_startup_bench EMPTY_GAME_EXE FULL_GAME_EXE [runs, 11 by default]
//
// bench/run-windows-startup-bench.sh makes the two games on the Linux side
// (creating 32,767 folders through Wine takes minutes) and runs this under
// Wine with an X display. The last line is the 32,767-mod figure against the
// empty game.
#include "mod_names.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "vx_windows_startup_bench: %s (error %lu)\n", message.c_str(), GetLastError());
    std::exit(1);
}

struct Search {
    DWORD process;
    HWND found;
};

BOOL CALLBACK findShownWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<Search*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->process && IsWindowVisible(window) && !GetWindow(window, GW_OWNER)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

double elapsedMs(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 /
           static_cast<double>(frequency.QuadPart);
}

double startOnce(const std::wstring& exe) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::wstring commandLine = L"\"" + exe + L"\"";
    LARGE_INTEGER start, shown;
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        fail("cannot start the program");
    }
    CloseHandle(process.hThread);

    // Poll in short slices for the main window; a program that ends first
    // (a fatal message it could not show) is a failure.
    Search search{process.dwProcessId, nullptr};
    const ULONGLONG deadline = GetTickCount64() + 60'000;
    for (;;) {
        EnumWindows(findShownWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            // The window is visible once ShowWindow ran; the answer to a sent
            // message shows the message loop is running too.
            DWORD_PTR ignored = 0;
            SendMessageTimeoutW(search.found, WM_NULL, 0, 0, SMTO_NORMAL, 10'000, &ignored);
            QueryPerformanceCounter(&shown);
            break;
        }
        if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0)
            fail("the program ended without a window");
        if (GetTickCount64() > deadline) {
            TerminateProcess(process.hProcess, 1);
            fail("the program showed no window within 60 s");
        }
    }

    PostMessageW(search.found, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 10'000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, INFINITE);
    }
    CloseHandle(process.hProcess);
    return elapsedMs(start, shown);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void print(int mods, const std::vector<double>& times) {
    std::printf("%d mods: median %.2f ms (min %.2f, max %.2f) over %zu runs\n", mods, median(times),
                *std::min_element(times.begin(), times.end()), *std::max_element(times.begin(), times.end()),
                times.size());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 3 && std::wstring(argv[1]) == L"--names") {
        const int count = _wtoi(argv[2]);
        for (int i = 0; i < count; ++i) std::printf("%s\n", modFolderName(i).c_str());
        return 0;
    }
    if (argc < 3) fail("usage: vx_windows_startup_bench EMPTY_GAME_EXE FULL_GAME_EXE [runs]");
    const std::wstring none = argv[1];
    const std::wstring many = argv[2];
    const int runs = argc > 3 ? _wtoi(argv[3]) : 11;
    if (runs < 1) fail("the number of runs must be at least 1");

    startOnce(none);  // warm-up: file cache, fonts, the X server's first client
    startOnce(many);
    // The two cases take turns, so a burst of other work on the machine slows
    // both alike rather than one of them.
    std::vector<double> noneTimes, manyTimes;
    for (int run = 0; run < runs; ++run) {
        noneTimes.push_back(startOnce(none));
        manyTimes.push_back(startOnce(many));
    }
    print(0, noneTimes);
    print(32767, manyTimes);
    std::printf("windows startup 32767 mods: %.2f ms, 0 mods: %.2f ms, ratio %.2f\n", median(manyTimes),
                median(noneTimes), median(manyTimes) / median(noneTimes));
    return 0;
}
