#pragma once
#include <QString>
#include <cstdint>

// The one text form of a time: [h:]mm:ss,hh rounded half to even to hundredths. The padded form
// starts with "-" or a blank; the compact form drops leading zeros and colons (but keeps "s,hh").
QString Display_Mill_Time(int32_t ms, bool compact);
