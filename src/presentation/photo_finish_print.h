#pragma once
// The photo-finish pages: the shown frame, large, or a series of the placed runners with the
// results table, under the heat's heading and above the footer that names the recording. The
// page code knows no window: the main window and doravent-qn3 hand it their pictures.
#include "timing/photo_series.h"
#include "timing/result_ranking.h"
#include "timing/result_state.h"

#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

class Page_Surface;

struct Photo_Finish_Job {
  bool series = false;
  bool split = false; // a split series: split times and split pictures

  QString event_name; // as the main window shows it
  QString heat_id;
  QString heat_name;
  QString start_date_time;

  Result_Array results{};                         // in rank order
  std::array<QString, 6> distances{};             // beaten distances by row of `results` (goal series)
  Result_State state = Result_State::Provisional; // shown in green or red once declared
  std::array<QString, 6> header_dog_names;        // boxes 1 to 6, as the recording stores them
  int32_t box_delay_ms = 0;
  QString elapsed_text;   // the shown picture's run time text (single frame)
  QString print_dog_name; // drawn on a single frame when not empty

  QString file_name;  // the recording's, without folder
  QString sha256_hex; // the frame-data digest, which no header rewrite changes; empty when unread
  QString audit_head; // the recording's audit head ("n:hash"); empty before any change
  QString printer_name;
  bool colour = true; // the printer prints in colour

  // The frame picture as the screen shows it (twips), and the screen's twips per pixel; a
  // picture on the page is 0.06 (a series picture 0.025) x twips per pixel x this size.
  QSizeF picture_twips;
  double twips_per_pixel_x = 15;
  double twips_per_pixel_y = 15;
};

class cls_VideoFile_handler;

// What a recording holds for the page: event, heat, start, dog names, the result's state, the box
// delay and beaten distances in force (a declared result's own, else `live_box_delay_ms` and the
// settings' rules), the file's name, frame-data digest and audit head. `results` must be set
// first (the distances follow their order).
void Fill_From_Recording(Photo_Finish_Job& job, cls_VideoFile_handler& recording, const QString& settings_path,
                         int32_t live_box_delay_ms);
// "File name: <name>   Frames SHA-256: <16 digits>": the line that ties a page to its evidence.
QString Evidence_Line(const Photo_Finish_Job& job);

// Where the pictures come from.
class Photo_Finish_Frames {
public:
  virtual ~Photo_Finish_Frames() = default;
  // The picture as shown now, goal lines included.
  virtual QImage Shown_Picture() = 0;
  // The picture at the box's finish (split) position as the window would show it; a null
  // image when the box has no stored position.
  virtual QImage Runner_Picture(int16_t box, bool split) = 0;
};

// The print's progress: percent steps and the waits between them. Empty functions do nothing.
struct Photo_Finish_Pacing {
  std::function<void(int percent)> percent;
  std::function<void(int32_t ms)> wait;
};

// What was printed where (twips; positions on the printable area, whose top left is
// printable_origin on the sheet).
struct Photo_Finish_Layout {
  QSizeF sheet;
  QPointF printable_origin;
  double event_font_size = 0;
  double heat_font_size = 0;
  double table_font_size = 0;
  QRectF event_line;
  std::vector<QRectF> pictures; // in print order
  std::vector<Series_Runner> runners;
  std::vector<Series_Table_Line> table;
};

// "Photo finish <file name>, frames SHA-256 <all 64 digits>": the document's title.
QString Photo_Finish_Title(const Photo_Finish_Job& job);

// Prints the whole page and ends the job. Failures are thrown to the caller.
Photo_Finish_Layout Print_Photo_Finish(Page_Surface& page, const Photo_Finish_Job& job, Photo_Finish_Frames& frames,
                                       const Photo_Finish_Pacing& pacing = {});
