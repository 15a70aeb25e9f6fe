#pragma once
// The times of one stream's frames on Mill_Now's clock. A driver's stamp is taken only when the
// arrival time vouches for it: not after the frame came, not long before, and later than the
// frame before. Otherwise the frame's time is its arrival, except that frames read in one go
// came one frame interval apart, not when they were read: they are spaced by their sequence
// numbers from the frame before, for as many frames as the driver can hold back.
#include <cstdint>
#include <optional>

class Frame_Clock {
public:
  // A stamp older than this on arrival comes from another clock, not from a late read.
  static constexpr int32_t Most_Stamp_Age_Ms = 3000;

  struct Time {
    int32_t mill = 0;
    bool from_driver = false;
  };

  // `interval_us` the frame interval (0 when unknown); `backlog` the frames the driver can hold.
  void Reset(int64_t interval_us, int32_t backlog);
  Time Frame_Time(int32_t arrival_mill, uint32_t sequence, std::optional<int32_t> driver_mill);
  // A driver stamp was refused since Reset.
  bool Refused_Stamp() const { return refused_; }
  // The last frame's time in microseconds since the stream's first frame, never wrapping.
  int64_t Elapsed_Us() const { return elapsed_us_; }

private:
  int32_t Last_Mill() const;
  // `mill` on the same unwrapped scale as Elapsed_Us, taken as near the last frame.
  int64_t Us_Of(int32_t mill) const;

  int64_t interval_us_ = 0;
  int32_t backlog_ = 0;
  bool started_ = false;
  int32_t first_mill_ = 0;
  int64_t elapsed_us_ = 0;
  uint32_t last_sequence_ = 0;
  int32_t spaced_run_ = 0; // frames in a row timed from the one before, not from their arrival
  bool refused_ = false;
};
