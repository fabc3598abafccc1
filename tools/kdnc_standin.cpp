// Stands in for the KORVANT DNC program (installed as kdnc.exe): writes its
// own full path and the arguments its C runtime parsed to the file that
// KDNC_STANDIN_LOG names, so a test sees how the launcher started it. The
// log appears whole, under its name, only once it is complete.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    const char* logName = std::getenv("KDNC_STANDIN_LOG");
    if (!logName)
        return 2;
    const std::string partial = std::string(logName) + ".part";
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    FILE* log = std::fopen(partial.c_str(), "wb");
    if (!log)
        return 2;
    std::fprintf(log, "path=%s\nargc=%d\n", self, argc);
    for (int i = 1; i < argc; ++i)
        std::fprintf(log, "argv[%d]=%s\n", i, argv[i]);
    const bool written = std::fclose(log) == 0;
    return written && MoveFileExA(partial.c_str(), logName, MOVEFILE_REPLACE_EXISTING) ? 0 : 2;
}
