// Whether --out may write its report where it is told, decided from what
// Windows says of that path; free of <windows.h>, so the unit tests decide
// it too. Run as SYSTEM or elevated, the check must not be sent elsewhere by
// a link a user planted, nor change a file that has another name too.
#pragma once

#include <cstdint>

struct ReportPathFacts {
    bool folderIsLink;       // a folder of the path is a reparse point: junction, symbolic link, mount point
    bool fileExists;
    bool fileIsLink;         // the file itself is a reparse point
    bool fileIsFolder;
    std::uint32_t fileNames; // hard links to the existing file; 0 when Windows does not say
};

enum class ReportPathVerdict { kWrite, kFolderIsLink, kFileIsLink, kFileIsFolder, kFileHasOtherNames };

ReportPathVerdict JudgeReportPath(const ReportPathFacts& facts);

// Why it is refused, to follow "cannot write PATH: "; empty for kWrite.
const char* ReportPathRefusal(ReportPathVerdict verdict);
