#include "report_path.h"

ReportPathVerdict JudgeReportPath(const ReportPathFacts& facts)
{
    if (facts.folderIsLink)
        return ReportPathVerdict::kFolderIsLink;
    if (!facts.fileExists)
        return ReportPathVerdict::kWrite;
    if (facts.fileIsLink)
        return ReportPathVerdict::kFileIsLink;
    if (facts.fileIsFolder)
        return ReportPathVerdict::kFileIsFolder;
    // A count Windows did not give is not taken for one name.
    return facts.fileNames == 1 ? ReportPathVerdict::kWrite : ReportPathVerdict::kFileHasOtherNames;
}

const char* ReportPathRefusal(ReportPathVerdict verdict)
{
    switch (verdict) {
    case ReportPathVerdict::kFolderIsLink:
        return "a folder on its path is a link (junction, symbolic link or mount point)";
    case ReportPathVerdict::kFileIsLink:
        return "it is a link (symbolic link or junction)";
    case ReportPathVerdict::kFileIsFolder:
        return "it is a folder";
    case ReportPathVerdict::kFileHasOtherNames:
        return "the file has other names (hard links), which would change too";
    case ReportPathVerdict::kWrite:
        break;
    }
    return "";
}
