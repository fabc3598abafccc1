// --fix: the one write the check makes, and only what it can vouch for.
#include "check_reading.h"

#include <cstring>

namespace {

// The first proven fix, asked for or any, and trusted; else why none is.
const FoundProgram* ChooseFix(const DncSearch& search, const char* wantedProgram, FixOutcome& why)
{
    why = search.count == 0 ? FixOutcome::kNoneFound : FixOutcome::kNoneProven;
    for (const FoundProgram* found = search.found; found != search.found + search.count; ++found) {
        if (!found->proven)
            continue;
        if (wantedProgram && !SamePath(found->program, wantedProgram)) {
            why = why == FixOutcome::kNotTrusted ? why : FixOutcome::kNotThatProgram;
            continue;
        }
        if (found->trusted)
            return found;
        why = FixOutcome::kNotTrusted;
    }
    return nullptr;
}

} // namespace

int FixDncRecord(const CheckSetting& setting, const char* wantedProgram, CheckReading& reading, FixRun& fix)
{
    fix = FixRun{};
    fix.row = kNoRecord;
    reading.fix = &fix;
    // Where kdnclaunch already starts DNC, nothing is written.
    if (reading.launch) {
        fix.outcome = FixOutcome::kNothingToDo;
        return 0;
    }
    const FoundProgram* found = ChooseFix(reading.search, wantedProgram, fix.outcome);
    if (!found)
        return 1;
    fix.row = found->row;
    CopyText(fix.folder, sizeof fix.folder, found->folder);
    CopyText(fix.program, sizeof fix.program, found->program);
    // Unelevated, Windows would virtualize the write into this user's own
    // copy, which no other account's kdnclaunch reads.
    if (!setting.elevated && !setting.system) {
        fix.outcome = FixOutcome::kNotElevated;
        return 2;
    }
    const DncCandidate& record = kDncCandidates[fix.row];
    fix.error = RecordedCalls.check->WriteRecordFolder(record.keyPath, record.valueName, fix.folder, fix.before);
    if (fix.error != ERROR_SUCCESS) {
        fix.outcome = FixOutcome::kNotWritten;
        RecordedCalls.check->ReadErrorText(fix.error, fix.errorText, sizeof fix.errorText);
        return 2;
    }
    fix.outcome = FixOutcome::kWritten;
    RecordedCalls.count = 0;
    RunLauncher(RecordingOperations);
    ReadCheck(RecordedCalls, setting, reading);
    reading.fix = &fix;
    return reading.launch ? 0 : 1;
}
