// Where else an install record is, when the launcher finds no key or value.
#include "check_reading.h"

void ReadRecordsElsewhere(const CallLog&, const CheckSetting&, CheckReading&)
{
}
