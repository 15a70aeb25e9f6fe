#pragma once
// Finishes that look like real ones, rendered here with a truth the program cannot see, so that
// the finish proposals are measured against what a camera beside a dog track records.
//
// The model. The camera stands beside the track on the finish line's extension and looks across
// it; the goal line is a line of the picture, at any slant. Each dog is a greyhound seen from the
// side: a torso with a deep chest and a tucked waist, a neck rising to a narrow head with a
// tapering muzzle that ends in a round nose, a long thin tail, and four legs of two or three
// segments whose angles follow a rotary gallop (fore and hind legs swinging in opposition, the
// leading leg a little ahead of the trailing one). The head bobs with the stride, so the muzzle
// tip does not move uniformly. Coats: fawn (with a dark muzzle), brindle (streaked), black,
// white, and parti-coloured (white with patches). The trap jacket covers only the middle of the
// torso and carries the trap number on its side, in the colours of the chosen rows of jackets.
//
// Depth: every dog runs at its own distance from the camera (0 the far side, 1 the near side).
// Nearer dogs are larger, lower in the picture and move faster in pixels; they are drawn after
// farther ones and hide them. The ground is sand (or turf) with a fixed grain, a white running
// rail on the far side and a white line painted along the goal line.
//
// The camera: each picture is the average of sub-pictures spread over the exposure, centred on
// the picture's instant (motion blur); sensor noise is added; the recording is written by the
// program's own recording writer, so JPEG coding is at the program's quality. Interlaced 25
// frames/s pictures take their even rows (from the top) from the instant of the frame and their
// odd rows from 20 ms later; progressive 50 and 100 frames/s pictures take every row from the
// frame's instant and are recorded as the program records progressive sources (one picture per
// frame). An optional shadow darkens a band across the line, dogs in it included.
//
// The truth: `crossing_ms` of a runner is the instant, in ms after the start, at which the
// foremost point of its nose (the muzzle tip) reaches the goal line in the picture. It is exact:
// the dog's place is solved from it.
#include <QImage>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace realistic {

enum class Coat { Fawn, Brindle, Black, White, Parti };
inline constexpr Coat All_Coats[] = {Coat::Fawn, Coat::Brindle, Coat::Black, Coat::White, Coat::Parti};

// Which rows of jackets the dogs wear: 1 red, 2 blue, 3 white, 4 black, 5 orange, 6 black and
// white stripes (Common) or 4 green, 5 black, 6 yellow (American).
enum class Jackets { Common, American };

enum class Rate { Interlaced_25, Progressive_50, Progressive_100 };

struct Runner {
  int16_t box = 1;                   // the trap: the dog wears its jacket
  std::optional<double> crossing_ms; // nullopt: the dog does not finish and is not seen
  Coat coat = Coat::Fawn;
  double depth = 0.5;                // 0 far side .. 1 near side
  double speed_lengths_per_s = 22.0; // torso lengths a second (about 16.5 m/s)
  double stride_phase = 0;           // of the gallop at the crossing, 0..1
};

struct Scene {
  int32_t width = 400;
  int32_t height = 480;
  double near_torso_px = 106; // the nearest dog's torso length; farther dogs are smaller
  Rate rate = Rate::Interlaced_25;
  int32_t direction = 1; // +1 left to right, -1 right to left
  // The goal line's end points in the picture.
  int32_t line_x1 = 200, line_y1 = 0, line_x2 = 200, line_y2 = 479;
  double exposure_ms = 2;
  double noise = 3; // standard deviation, levels
  bool shadow = false;
  bool turf = false; // the ground: sand unless turf
  Jackets jackets = Jackets::Common;
  std::vector<Runner> runners;
  uint32_t seed = 1;
  // The recorded part, ms after the start, and the goal camera's delay (stored as the goal
  // delay, so run times are the scene's).
  int32_t from_ms = 0;
  int32_t to_ms = 1000;
  int32_t video_delay_ms = 0;
};

// The goal line's column at a picture row.
double Line_X(const Scene& scene, double y);

int32_t Frame_Interval_Ms(Rate rate);
int32_t Frame_Count(const Scene& scene);

// The camera over one scene: the ground and the dogs' drawings are made once.
class Camera {
public:
  explicit Camera(Scene scene);
  ~Camera();
  Camera(const Camera&) = delete;
  Camera& operator=(const Camera&) = delete;
  const Scene& Shot() const { return scene_; }
  // The scene at `ms` after the start, every row from that instant, exposure and noise included.
  QImage Render(double ms) const;
  // The recorded picture of frame k (its instant from_ms + k * frame interval): two instants
  // woven for the interlaced rate. Deterministic.
  QImage Frame(int32_t k) const;

private:
  struct Parts;
  QImage Clean(double ms) const;
  void Expose(QImage& img, uint32_t key) const;
  Scene scene_;
  std::unique_ptr<Parts> parts_;
};

// Writes the heat's recording (never over an existing file); false with the reason.
bool Write_Recording(const Scene& scene, const QString& path, QString& why);

// The foremost point of a runner's nose at `ms` after the start, in picture pixels.
struct Point {
  double x = 0;
  double y = 0;
};
Point Muzzle_Tip(const Scene& scene, const Runner& runner, double ms);

} // namespace realistic
