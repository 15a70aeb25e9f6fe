#pragma once
// The slit image as the operator sees it: the picture, a band above it marking the goal field of
// every box set (filled) and of every proposal (hollow; an unsure one hatched in dark orange with
// a question mark), and a time scale below it in the heat's run time. The same drawing serves the
// window's strip and the exported picture.
#include "recording/slit_image.h"
#include "timing/finish_proposals.h"

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

class QPainter;

// A slider position of the recording under review and the slit column it shows.
int32_t Slit_Column_Of(const Slit_Image& slit, int32_t slider_value, bool field_mode);
int32_t Slider_Value_Of(const Slit_Image& slit, int32_t column, bool field_mode);

// The run time of a column by the system's rule (the shown time of that field).
int32_t Column_Run_Time(const Slit_Image& slit, int32_t column, const Heat_Clock& clock);

struct Slit_Marks {
  std::array<int32_t, 6> set_column{-1, -1, -1, -1, -1, -1}; // the stored goal field of each box
  Finish_Proposals proposals;
  bool show_proposals = false;
  int32_t cursor_column = -1; // the field shown in the window; -1 none
};

// Where things go: columns first..last drawn column_width pixels each from `left`; the picture
// scaled to `picture` rows (its height), the bands above and below it.
struct Slit_View {
  int32_t first_column = 0;
  int32_t last_column = -1;
  double column_width = 1;
  int32_t left = 0;
  QRect marks_band;
  QRect picture;
  QRect scale_band;
  double X_Of(double column) const { return left + (column - first_column) * column_width; }
};

inline constexpr int32_t Slit_Marks_Height = 18;
inline constexpr int32_t Slit_Scale_Height = 26;

// A tick of the time scale: where (a column, fractional) and which run time; labelled ticks
// carry their text.
struct Slit_Tick {
  double column = 0;
  int32_t run_time_ms = 0;
  QString label;
};
// Ticks over the columns first..last, spaced so labels stand at least `label_spacing` pixels
// apart at the given column width.
std::vector<Slit_Tick> Slit_Ticks(const Slit_Image& slit, const Heat_Clock& clock, int32_t first, int32_t last,
                                  double column_width, double label_spacing = 70);

void Paint_Slit(QPainter& painter, const Slit_Image& slit, const Slit_View& view, const Slit_Marks& marks,
                const Heat_Clock& clock);

// The whole slit image as a picture: each column `column_width` pixels wide, the picture rows
// unscaled from row Slit_Marks_Height, the scale below.
QImage Render_Slit_Picture(const Slit_Image& slit, const Slit_Marks& marks, const Heat_Clock& clock,
                           int32_t column_width);
// The column width the exported picture uses: wide enough for a readable scale.
int32_t Export_Column_Width(const Slit_Image& slit);

// The colour a box is marked in (its box-number colours).
QColor Box_Mark_Colour(int16_t box);
