// Stands in for the KORVANT DNC program (installed as kdnc.exe): appends its
// own full path and the arguments its C runtime parsed to the file that
// KDNC_STANDIN_LOG names, so a test sees how the launcher started it.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    const char* logName = std::getenv("KDNC_STANDIN_LOG");
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    FILE* log = logName ? std::fopen(logName, "ab") : nullptr;
    if (!log)
        return 2;
    std::fprintf(log, "path=%s\nargc=%d\n", self, argc);
    for (int i = 1; i < argc; ++i)
        std::fprintf(log, "argv[%d]=%s\n", i, argv[i]);
    return std::fclose(log) == 0 ? 0 : 2;
}
