#pragma once
// What the main window does with an input change of the kit: pure decisions, so the window only
// dispatches.
#include <cstdint>

// Input changes count only when more than 999 ms have passed since Ready_Mill; right across the
// clock's wrap.
bool Input_Change_Handled(int32_t now_mill, int32_t ready_mill);

// The response to one change; several may apply (the start contact starts and moves the LED).
struct Kit_Input_Response {
  bool handle_start = false;
  bool update_led = false; // the LED output follows input 0
  bool capture_start = false;
  bool capture_end = false;
  bool operator==(const Kit_Input_Response&) const = default;
};

// index: the input that changed; new_state: closed = true; armed: input 1 as the kit reads it now.
Kit_Input_Response Input_Change_Response(int32_t index, bool new_state, bool armed);
