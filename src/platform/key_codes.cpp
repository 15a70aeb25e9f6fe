#include "platform/key_codes.h"

int32_t Windows_Key_Code(int qt_key, Qt::KeyboardModifiers modifiers) {
  const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
  if (keypad) {
    // Keypad 4 and 6 arrive as digits with Num Lock on and as arrows with it off.
    if (qt_key == Qt::Key_4 || qt_key == Qt::Key_Left) return key_code::Keypad_4;
    if (qt_key == Qt::Key_6 || qt_key == Qt::Key_Right) return key_code::Keypad_6;
    if (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9) return 96 + (qt_key - Qt::Key_0);
    switch (qt_key) {
    case Qt::Key_Asterisk: return 106;
    case Qt::Key_Plus: return 107;
    case Qt::Key_Minus: return 109;
    case Qt::Key_Period:
    case Qt::Key_Comma: return 110;
    case Qt::Key_Slash: return 111;
    default: break;
    }
  }
  if (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9) return 48 + (qt_key - Qt::Key_0);
  if (qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z) return 65 + (qt_key - Qt::Key_A);
  if (qt_key >= Qt::Key_F1 && qt_key <= Qt::Key_F24) return 112 + (qt_key - Qt::Key_F1);
  switch (qt_key) {
  case Qt::Key_Backspace: return 8;
  case Qt::Key_Tab:
  case Qt::Key_Backtab: return 9;
  case Qt::Key_Clear: return 12;
  case Qt::Key_Return:
  case Qt::Key_Enter: return 13;
  case Qt::Key_Shift: return 16;
  case Qt::Key_Control: return 17;
  case Qt::Key_Alt: return 18;
  case Qt::Key_Pause: return 19;
  case Qt::Key_CapsLock: return 20;
  case Qt::Key_Escape: return 27;
  case Qt::Key_Space: return 32;
  case Qt::Key_PageUp: return 33;
  case Qt::Key_PageDown: return 34;
  case Qt::Key_End: return 35;
  case Qt::Key_Home: return 36;
  case Qt::Key_Left: return key_code::Left;
  case Qt::Key_Up: return key_code::Up;
  case Qt::Key_Right: return key_code::Right;
  case Qt::Key_Down: return key_code::Down;
  case Qt::Key_Print: return 44;
  case Qt::Key_Insert: return 45;
  case Qt::Key_Delete: return 46;
  case Qt::Key_Meta: return 91;
  case Qt::Key_Menu: return 93;
  case Qt::Key_NumLock: return 144;
  case Qt::Key_ScrollLock: return 145;
  case Qt::Key_Semicolon: return 186;
  case Qt::Key_Equal: return 187;
  case Qt::Key_Comma: return 188;
  case Qt::Key_Minus: return 189;
  case Qt::Key_Period: return 190;
  case Qt::Key_Slash: return 191;
  default: return 0;
  }
}
