// Times whole runs of two programs, alternated, while a window titled like
// the editor is in front: from process creation to process exit, as a user
// would wait for it. Prints each median, their ratio, and the sizes.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kMaxRounds = 200;
constexpr DWORD kSettleMs = 150;

double RunOnce(const char* program)
{
    char commandLine[MAX_PATH + 2];
    std::snprintf(commandLine, sizeof commandLine, "\"%s\"", program);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(program, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        std::fprintf(stderr, "cannot start %s\n", program);
        std::exit(2);
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    QueryPerformanceCounter(&end);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    // Lets the DNC program started by the run come and go before the next
    // run, so that it does not compete with it.
    Sleep(kSettleMs);
    return 1000.0 * double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
}

double Median(double* times, int count)
{
    std::sort(times, times + count);
    return count % 2 ? times[count / 2] : (times[count / 2 - 1] + times[count / 2]) / 2;
}

long FileSize(const char* path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    return GetFileAttributesExA(path, GetFileExInfoStandard, &data) ? long(data.nFileSizeLow) : -1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: start_time ROUNDS LAUNCHER BASELINE\n");
        return 2;
    }
    const int rounds = std::min(std::max(std::atoi(argv[1]), 1), kMaxRounds);
    const HWND editor = CreateWindowA("STATIC", "Predator CNC Editor for KORVANT - [C:\\NC Files\\part 1.nc]",
                                      WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 200, nullptr, nullptr, nullptr,
                                      nullptr);
    SetForegroundWindow(editor);

    static double launcher[kMaxRounds], baseline[kMaxRounds];
    RunOnce(argv[2]);  // warm the file cache and Wine's server for both
    RunOnce(argv[3]);
    for (int round = 0; round < rounds; ++round) {
        launcher[round] = RunOnce(argv[2]);
        baseline[round] = RunOnce(argv[3]);
    }
    const double launcherMedian = Median(launcher, rounds), baselineMedian = Median(baseline, rounds);
    std::printf("rounds: %d each, alternated\n", rounds);
    std::printf("launcher median: %.2f ms (%ld bytes)\n", launcherMedian, FileSize(argv[2]));
    std::printf("straight-line median: %.2f ms (%ld bytes)\n", baselineMedian, FileSize(argv[3]));
    std::printf("ratio: %.3f\n", launcherMedian / baselineMedian);
    DestroyWindow(editor);
    return 0;
}
