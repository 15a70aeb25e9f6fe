#include "platform/program_info.h"

Program_Info& program() {
  static Program_Info info;
  return info;
}
