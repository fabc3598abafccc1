// A bare walk of the install roots, two folders deep, as the check's search
// reads them: the least any search of the same tree can cost. Prints the
// folders read. Usage: folder_walk ROOT...
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

int Walk(const char* folder, int depth)
{
    char pattern[2 * MAX_PATH];
    std::snprintf(pattern, sizeof pattern, "%s\\*", folder);
    WIN32_FIND_DATAA entry;
    const HANDLE search = FindFirstFileA(pattern, &entry);
    if (search == INVALID_HANDLE_VALUE)
        return 1;
    int read = 1;
    do {
        const bool dots = std::strcmp(entry.cFileName, ".") == 0 || std::strcmp(entry.cFileName, "..") == 0;
        if (!dots && depth > 0 && (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            char path[2 * MAX_PATH];
            std::snprintf(path, sizeof path, "%s\\%s", folder, entry.cFileName);
            read += Walk(path, depth - 1);
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return read;
}

} // namespace

int main(int argc, char** argv)
{
    int read = 0;
    for (int i = 1; i < argc; ++i)
        read += Walk(argv[i], 2);
    std::printf("folders read: %d\n", read);
    return 0;
}
