#pragma once
// The run time of a picture and the times the box buttons store from it.
#include <QString>
#include <cstdint>

// The run time shown for a picture: capture time - heat start + 2, + the recording's field
// interval for a second field, - the goal camera's delay, rounded half to even and kept within 32
// bits. The capture clock wraps at 32 bits: a heat that spans the wrap keeps its true time.
int32_t Picture_Run_Time(int32_t capture_mill, int32_t start_mill, int16_t field_to_show, double compensation_ms,
                         double field_interval_ms);
// The time a box button stores: the run time shown, 10 ms later with "+ 1/100", kept inside the
// 32-bit range.
int32_t Box_Button_Time(int32_t elapsed_ms, bool plus_hundredth);
// The code a "No Time" caption stands for; the initial caption (no kind chosen) means no rank.
int32_t No_Time_Code(const QString& caption);
