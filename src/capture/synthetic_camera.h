#pragma once
// The synthetic camera: a 1920 x 1080 picture of six runners crossing a painted finish line, at
// 25 interlaced frames per second (format 0) or 50 or 100 progressive ones (formats 1 and 2), exact to the pixel so
// that recordings made through it can be checked against their own definition. It runs in real time (a timer on the
// user-interface thread) or stepped (each Step delivers the next frame at once), so tests and the demo run on a
// simulated clock.
#include "capture/capture_component.h"
#include "platform/simulated_world.h"

#include <QString>
#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QTimer;

// Crossing instants of boxes 1..6 in ms after the race zero; none: the box does not finish.
using Synthetic_Crossings = std::array<std::optional<int32_t>, 6>;

// "T1,T2,T3,T4,T5,T6", each a whole number of ms or "-"; nullopt for any other text.
std::optional<Synthetic_Crossings> Parse_Crossings(const QString& text);
QString Format_Crossings(const Synthetic_Crossings& crossings);

class Synthetic_Camera final : public Capture_Device, public Simulated_World {
public:
  static constexpr int32_t Width = 1920;
  static constexpr int32_t Height = 1080;
  static constexpr int32_t Stride = Width * 3;
  static constexpr int32_t Frame_Bytes = Stride * Height;
  static constexpr int32_t Frame_Interval_Ms = 40; // of the default, interlaced format
  static constexpr int32_t Field_Offset_Ms = 20;   // its odd rows show the scene this much later
  // Frames per second of formats 0, 1 and 2; only the first is interlaced.
  static constexpr std::array<int32_t, 3> Rates = {25, 50, 100};
  static constexpr int32_t Finish_Column = 960; // the line is columns 959 and 960
  static constexpr int32_t Runner_Length = 120;
  static constexpr int32_t Runner_Rows = 50;
  static constexpr int32_t First_Runner_Row = 200;
  static constexpr int32_t Lane_Pitch = 110;
  static constexpr int32_t Boxes = 6;
  static constexpr double Default_Speed = 2.0; // px per ms
  // Six finishers within the demo's default window of the race.
  static const Synthetic_Crossings Default_Crossings;

  Synthetic_Camera();
  ~Synthetic_Camera() override;
  Synthetic_Camera(const Synthetic_Camera&) = delete;
  Synthetic_Camera& operator=(const Synthetic_Camera&) = delete;

  QString Friendly_Name() const override { return QStringLiteral("Synthetic camera"); }
  QString Device_Path() const override { return QStringLiteral("synthetic:"); }
  QString Description() const override { return QStringLiteral("Synthetic camera, 1920*1080/25, /50, /100"); }
  std::vector<Video_Format> Formats() const override;
  bool Set_Format(int32_t number, QString& error) override;
  std::optional<Video_Format> Current_Format() const override;
  bool Limit_Fps(int32_t fps, QString& error) override;
  int64_t Min_Interval_100ns() const override { return int64_t{Interval_Ms()} * 10000; }
  int64_t Max_Interval_100ns() const override { return int64_t{Interval_Ms()} * 10000; }
  // The time between delivered frames (a rate limit keeps every n-th of the format's), and
  // whether the odd rows are a later field (the format of 25).
  int32_t Interval_Ms() const { return std::max(format_ms_, limit_ms_); }
  bool Interlaced() const { return format_ms_ == Frame_Interval_Ms; }
  // The format number of a rate of Rates; nullopt for any other.
  static std::optional<int32_t> Format_Of_Rate(int32_t fps);
  bool Start(Video_Cap_Events& sink, QString& error) override;
  void Stop() override;
  bool Streaming() const override { return streaming_; }
  int64_t Dropped_Frames() const override { return dropped_; }

  // ---- The scene ----
  const Synthetic_Crossings& Crossings() const { return crossings_; }
  void set_Crossings(const Synthetic_Crossings& crossings) { crossings_ = crossings; }
  double Speed() const { return speed_; }
  // A speed that is not above 0 is refused (false).
  bool set_Speed(double px_per_ms);
  int32_t Video_Delay() const { return delay_ms_; }
  void set_Video_Delay(int32_t delay_ms) { delay_ms_ = delay_ms; }
  // The world's instants, from the simulated kit's thread (or the demo's own clock): P, the
  // race zero, before which no runner is drawn, and L, the LED's lighting.
  void Set_Physical_Start(int32_t p_mill) override { physical_start_ = p_mill; }
  void End_Race() override { physical_start_ = No_Instant; }
  void Set_Led(bool lit, int32_t at_mill) override;
  std::optional<int32_t> Physical_Start() const;
  std::optional<int32_t> Led_Lit_At() const;
  // Section "Synthetic" of the settings file: Crossings, Speed, VideoDelay. A missing or
  // unusable value keeps what the camera has.
  void Load_Settings();

  // ---- Running ----
  // Stepped mode is chosen before Start; it delivers nothing by itself.
  void set_Stepped(bool stepped) { stepped_ = stepped; }
  bool Stepped() const { return stepped_; }
  // Delivers the next frame at once; false when not streaming.
  bool Step();
  int32_t Next_Frame() const { return next_frame_; }
  int32_t Stream_Start() const { return t0_; }
  int32_t Sample_Time(int32_t frame) const;

  // ---- What the picture holds (tests check frames against these) ----
  // Nose column of box 1..6 in the scene at program time s; nullopt when the runner is not
  // drawn then (no crossing, no race zero, or s before it). May lie outside the picture.
  std::optional<int64_t> Nose_Column(int32_t box, int32_t s) const;
  bool Led_Lit(int32_t s) const;
  // Frame `frame_number` sampled at `sample_time` into `out` (Frame_Bytes, bottom-up BGR).
  void Render(int32_t sample_time, int32_t frame_number, uint8_t* out) const;

private:
  void Deliver(int32_t frame);
  void Deliver_Due();
  void Schedule_Next();

  Synthetic_Crossings crossings_;
  double speed_ = Default_Speed;
  int32_t delay_ms_ = 0;
  int32_t format_ms_ = Frame_Interval_Ms;
  int32_t limit_ms_ = 0; // 0: no rate limit
  static constexpr int64_t No_Instant = INT64_MIN;
  std::atomic<int64_t> physical_start_{No_Instant};
  std::atomic<int64_t> led_lit_at_{No_Instant};
  std::atomic<int64_t> led_out_at_{No_Instant};
  bool stepped_ = false;
  bool streaming_ = false;
  Video_Cap_Events* sink_ = nullptr;
  int32_t t0_ = 0;
  int32_t next_frame_ = 0;
  int64_t dropped_ = 0;
  std::vector<uint8_t> frame_;
  std::vector<uint8_t> background_row_;
  std::unique_ptr<QTimer> timer_;
};

// The synthetic camera among the component's devices; nullptr when it has none.
Synthetic_Camera* Find_Synthetic_Camera(const Capture_Component& component);
