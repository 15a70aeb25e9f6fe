#pragma once
// The label a printed photo finish carries on the picture: place, box and dog name, or the name
// the operator entered for the print.
#include <QFont>
#include <QImage>
#include <QString>
#include <cstdint>

struct Runner_Label_Style {
  // Picture pixels per point of the label's font: the screen's pixels per point times the
  // picture's pixels per shown pixel, so the label is as large as it looks on the screen.
  double pixels_per_point = 96.0 / 72.0;
  // Yellow; black on a printer without colour, where yellow would print as a pale grey.
  bool colour = true;
};

constexpr int Runner_Label_Points = 52;

// The largest of 110, 108, ..., 8 points at which the text in the font is no wider than
// width_px; 8 when none is. A failure shows "Max_Font error! " with its description and step,
// and gives 8.
int Max_Font(const QString& text, const QFont& font, int32_t width_px, double pixels_per_point);

// Draws on the picture, from 2 % of its width and 80 % of its height: with an empty dog_name
// the line rank + "     Dog:" + box and then header_name; else dog_name alone. The name line
// is made smaller when it would not fit the picture's width. Failures are reported as
// "print_BOX_Time of Form Form_Doravent".
void print_BOX_Time(QImage& picture, int16_t rank, int16_t box, const QString& dog_name, const QString& header_name,
                    const Runner_Label_Style& style);
