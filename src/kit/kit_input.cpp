#include "kit/kit_input.h"

#include "kit/interface_kit.h"
#include "platform/clock.h"

Kit_Stamp Kit_Stamp::Now() { return {Mill_Now(), Local_Mill_Now(), Local_Now()}; }

bool Input_Change_Handled(int32_t now_mill, int32_t ready_mill) {
  // Unsigned: a program up for more than 24.8 days keeps handling changes (the signed difference
  // would turn negative); only the second after each 49.7-day wrap of the difference is lost.
  return static_cast<uint32_t>(Mill_Difference(now_mill, ready_mill)) > 999U;
}

Kit_Input_Response Input_Change_Response(int32_t index, bool new_state, bool armed) {
  Kit_Input_Response r;
  switch (index) {
  case 0: // start contact: starts only when armed, on closing and on opening alike
    r.handle_start = armed;
    r.update_led = true;
    break;
  case 2: // remote start
    r.handle_start = new_state;
    break;
  case 3: // goal camera
  case 4: // split camera
  case 5: // further camera
    r.capture_start = new_state;
    r.capture_end = !new_state;
    break;
  default: // 1, the armed switch, only changes the display
    break;
  }
  return r;
}
