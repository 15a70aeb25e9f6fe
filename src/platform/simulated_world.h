#pragma once
// The physical side of the simulated world: what the simulated kit makes happen and the
// synthetic camera draws. Its instants are read on the program clock at the moment they happen
// physically, on whatever thread that is, never when the program under test learns of them.
#include <cstdint>

class Simulated_World {
public:
  virtual ~Simulated_World() = default;
  // P, the race zero: the traps open.
  virtual void Set_Physical_Start(int32_t p_mill) = 0;
  // The armed switch was turned off: no runner until the next P.
  virtual void End_Race() = 0;
  // L: the kit's LED lit (or went out) when the program's output call reached the kit.
  virtual void Set_Led(bool lit, int32_t at_mill) = 0;
};
