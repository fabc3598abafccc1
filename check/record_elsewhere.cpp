// Where else an install record is, when the launcher finds no key or value.
#include <cstring>

#include "check_reading.h"

namespace {

constexpr std::int32_t kNotFound = 2;  // ERROR_FILE_NOT_FOUND
constexpr std::int32_t kMoreData = 234;  // ERROR_MORE_DATA

// A 32-bit program's HKLM\SOFTWARE, as the account's VirtualStore holds it.
const char kVirtualStore[] = "HKCU\\Software\\Classes\\VirtualStore\\MACHINE\\SOFTWARE\\";
// Windows never virtualizes the keys below this, the uninstall records among them.
const char kNeverVirtualized[] = "SOFTWARE\\Microsoft\\Windows\\";

// A record where kdnclaunch does not read it: kept when its key is there.
// The view is what the store names below SOFTWARE for the program's own.
void ReadElsewhere(const CallLog& log, RecordReading& record, int row, Place place, const char* view)
{
    const DncCandidate& candidate = kDncCandidates[row];
    RecordElsewhere& elsewhere = record.elsewhere[record.elsewhereCount];
    elsewhere = RecordElsewhere{};
    elsewhere.place = place;
    const bool store = place == Place::kVirtualStore;
    const char* const pieces[] = {place == Place::kView64 ? "HKLM\\" : store ? kVirtualStore : "HKCU\\", view,
                                  candidate.keyPath + (store ? std::strlen("SOFTWARE\\") : 0)};
    for (const char* piece : pieces)
        std::strcat(elsewhere.key, piece);
    elsewhere.size = MAX_PATH;
    std::int32_t valueStatus = ERROR_SUCCESS;
    const std::int32_t keyStatus = log.check->ReadValueElsewhere(place != Place::kView64, elsewhere.key + 5,
                                                                 candidate.valueName, &valueStatus, &elsewhere.type,
                                                                 elsewhere.value, &elsewhere.size);
    if (keyStatus == kNotFound)
        return;
    elsewhere.error = keyStatus != ERROR_SUCCESS ? keyStatus : valueStatus;
    elsewhere.held = keyStatus != ERROR_SUCCESS     ? Held::kKeyNotOpened
                     : valueStatus == ERROR_SUCCESS ? Held::kValue
                     : valueStatus == kNotFound     ? Held::kNoValue
                     : valueStatus == kMoreData     ? Held::kValueTooLong
                                                    : Held::kValueNotRead;
    if (elsewhere.held == Held::kKeyNotOpened || elsewhere.held == Held::kValueNotRead)
        log.check->ReadErrorText(elsewhere.error, elsewhere.errorText, sizeof elsewhere.errorText);
    ++record.elsewhereCount;
}

} // namespace

void FormatElsewhereQuery(const RecordElsewhere& elsewhere, int row, char (&line)[kQueryCapacity])
{
    line[0] = '\0';
    const char* const pieces[] = {"reg query \"", elsewhere.key, "\" /v ", kDncCandidates[row].valueName,
                                  elsewhere.place == Place::kView64 ? " /reg:64" : ""};
    for (const char* piece : pieces)
        std::strcat(line, piece);
}

// Only where the launcher sees no value of the record at all: its key
// missing or closed to it, or no value of that name.
void ReadRecordsElsewhere(const CallLog& log, const CheckSetting& setting, CheckReading& reading)
{
    const bool view64 = RegistryViewOf(reading, setting) != RegistryViewKind::kOnly;
    for (int row = 0; row < 6; ++row) {
        RecordReading& record = reading.records[row];
        if (record.outcome != Outcome::kNoKey && record.outcome != Outcome::kKeyNotOpened &&
            record.outcome != Outcome::kNoValue)
            continue;
        if (view64)
            ReadElsewhere(log, record, row, Place::kView64, "");
        ReadElsewhere(log, record, row, Place::kCurrentUser, "");
        // A virtualized check reads the store through the launcher's own reads.
        if (!setting.virtualized &&
            std::strncmp(kDncCandidates[row].keyPath, kNeverVirtualized, std::strlen(kNeverVirtualized)) != 0)
            ReadElsewhere(log, record, row, Place::kVirtualStore, view64 ? "WOW6432Node\\" : "");
    }
}
