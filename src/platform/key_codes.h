#pragma once
// The key numbers the system's key handling is written in.
#include <Qt>
#include <cstdint>

// Windows virtual-key numbers for Qt keys (0 when the key has none). The numeric keypad's 4 and
// 6 give 100 and 102 whether Num Lock is on (digits) or off (arrows).
int32_t Windows_Key_Code(int qt_key, Qt::KeyboardModifiers modifiers);

namespace key_code {
constexpr int32_t Left = 37;
constexpr int32_t Up = 38;
constexpr int32_t Right = 39;
constexpr int32_t Down = 40;
constexpr int32_t Keypad_4 = 100;
constexpr int32_t Keypad_6 = 102;
} // namespace key_code
