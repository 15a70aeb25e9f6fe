#include "presentation/photo_finish_print.h"

#include "metadata/xml_header.h"
#include "platform/clock.h"
#include "platform/error_report.h"
#include "platform/event_log.h"
#include "platform/program_info.h"
#include "platform/trace.h"
#include "presentation/page_surface.h"
#include "presentation/runner_label.h"
#include "recording/file_digest.h"
#include "recording/video_file_handler.h"
#include "timing/beaten_distance.h"
#include "timing/declaration.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

namespace {

constexpr double Picture_Scale = 0.06;
constexpr double Thumbnail_Scale = 0.025;
constexpr double Picture_Gap = 100; // twips between pictures and beside the margin
constexpr int Footer_Line_Dots = 10;
const QString Maker_Line = QStringLiteral("www.doravent.example");

void pace(const Photo_Finish_Pacing& pacing, int percent, int32_t wait_ms) {
  if (pacing.percent) pacing.percent(percent);
  if (pacing.wait) pacing.wait(wait_ms);
}

// Lowers the font a point at a time until the text fits the room.
void shrink_to_fit(Page_Surface& page, const QString& text, double room) {
  while (page.TextWidth(text) > room && page.FontSize() > 1)
    page.set_FontSize(page.FontSize() - 1);
}

// The factor (at most 1) that brings the size into the room. A picture is only ever made
// smaller on the page: the page must hold it whole, beside the text around it.
double fit_factor(QSizeF size, QSizeF room) {
  if (!(size.width() > 0) || !(size.height() > 0)) return 1;
  const double factor = std::min({1.0, room.width() / size.width(), room.height() / size.height()});
  return factor > 0 ? factor : 0;
}

// The frame picture as the screen shows it; a picture nobody measured is shown at its own size.
QSizeF shown_twips(const Photo_Finish_Job& job, const QImage& sample) {
  if (job.picture_twips.width() > 0 && job.picture_twips.height() > 0) return job.picture_twips;
  return {sample.width() * job.twips_per_pixel_x, sample.height() * job.twips_per_pixel_y};
}

Runner_Label_Style label_style(const Photo_Finish_Job& job, const QImage& picture) {
  Runner_Label_Style style;
  style.colour = job.colour;
  // A point is 20 twips; the picture has picture.width() pixels across its shown twips.
  const QSizeF shown = shown_twips(job, picture);
  if (shown.width() > 0) style.pixels_per_point = 20.0 * picture.width() / shown.width();
  return style;
}

void trace_device(Page_Surface& page, const Photo_Finish_Job& job) {
  Trace_Message(QStringLiteral("Devicename = ") + job.printer_name);
  Trace_Message(QStringLiteral("Width = ") + QString::number(page.Width()));
  Trace_Message(QStringLiteral("Height = ") + QString::number(page.Height()));
  Trace_Message(QStringLiteral("ScaleHeight = ") + QString::number(page.ScaleHeight()));
  Trace_Message(QStringLiteral("ScaleWidth = ") + QString::number(page.ScaleWidth()));
  Trace_Message(QStringLiteral("ScaleTop = ") + QString::number(page.ScaleTop()));
}

void print_heading(Page_Surface& page, const Photo_Finish_Job& job, double x0, Photo_Finish_Layout& layout) {
  page.set_FontItalic(false);
  page.set_CurrentY(0.05 * page.Height());
  page.set_CurrentX(x0);
  page.set_FontName(QStringLiteral("Arial"));
  page.set_FontSize(36);
  page.set_FontBold(true);
  const double room = page.ScaleWidth() - x0;
  shrink_to_fit(page, job.event_name, room);
  layout.event_font_size = page.FontSize();
  layout.event_line = QRectF(x0, page.CurrentY(), page.TextWidth(job.event_name), page.TextHeight());
  page.Print_Line(job.event_name);

  page.set_FontSize(10);
  page.Print_Line();
  page.set_FontBold(false);
  page.set_FontSize(18);
  page.set_CurrentX(x0);
  const QString heat = QStringLiteral("Heat: ") + job.heat_id + QStringLiteral(" ") + job.heat_name +
                       QStringLiteral(" at: ") + job.start_date_time;
  shrink_to_fit(page, heat, room);
  layout.heat_font_size = page.FontSize();
  page.Print_Line(heat);
  // A declared result says so, as the results window does.
  if (Result_Declared(job.state)) {
    page.set_FontBold(true);
    page.set_CurrentX(x0);
    const QColor before = page.ForeColor();
    page.set_ForeColor(job.state == Result_State::Official ? QColor(0, 160, 0) : QColor(220, 0, 0));
    page.Print_Line(Result_State_Text(job.state));
    page.set_ForeColor(before);
    page.set_FontBold(false);
  }
}

void print_single_frame(Page_Surface& page, const Photo_Finish_Job& job, Photo_Finish_Frames& frames, double x0,
                        const Photo_Finish_Pacing& pacing, Photo_Finish_Layout& layout) {
  page.Print_Line();
  pace(pacing, 30, 300);
  QImage picture = frames.Shown_Picture();
  if (picture.isNull()) throw Dora_Error(482, QStringLiteral("Printer error: no picture is shown"));
  if (!job.print_dog_name.isEmpty()) print_BOX_Time(picture, 0, 0, job.print_dog_name, {}, label_style(job, picture));

  const QSizeF shown = shown_twips(job, picture);
  const QSizeF size(Picture_Scale * job.twips_per_pixel_x * shown.width(),
                    Picture_Scale * job.twips_per_pixel_y * shown.height());
  const double x = x0 + Picture_Gap;
  const double y = page.CurrentY();
  // Room down to the run-time line, leaving a line for the box delay below the picture.
  const double right = std::min(page.ScaleWidth(), page.Width() - x0);
  double bottom = 0.74 * page.Height() - Picture_Gap;
  if (job.box_delay_ms > 0) bottom -= page.TextHeight();
  const double factor = fit_factor(size, {right - x, bottom - y});
  const QRectF place(x, y, size.width() * factor, size.height() * factor);
  page.PaintPicture(picture, place.x(), place.y(), place.width(), place.height());
  layout.pictures.push_back(place);
  page.set_CurrentY(place.bottom());
}

// The height of the footer from its file line down, in the faces it prints them in.
double footer_height(Page_Surface& page, const Photo_Finish_Job& job) {
  page.set_FontName(QStringLiteral("Arial"));
  page.set_FontBold(false);
  double height = 0;
  const auto add = [&](int points, int lines) {
    page.set_FontSize(points);
    height += lines * page.TextHeight();
  };
  add(12, job.audit_head.isEmpty() ? 1 : 2);
  add(16, 1);
  add(10, 2);
  return height + Picture_Gap;
}

// The lowest place of the footer's file line: 0.9 of the sheet, or higher when the page would
// not hold the footer whole there (a Letter sheet is shorter than A4).
double footer_top(Page_Surface& page, const Photo_Finish_Job& job) {
  const double bottom = std::min(page.Height(), page.ScaleHeight());
  return std::min(0.9 * page.Height(), bottom - footer_height(page, job));
}

void print_series(Page_Surface& page, const Photo_Finish_Job& job, Photo_Finish_Frames& frames, double x0,
                  Photo_Finish_Layout& layout) {
  page.set_CurrentX(x0);
  page.set_FontSize(24);
  page.Print_Line(job.split ? QStringLiteral("Split photos") : QStringLiteral("Goal photos"));
  page.set_FontSize(18);

  layout.runners = Series_Runners(job.results, job.split);
  const double top = page.CurrentY();
  // The table (heading and six rows) and the box-delay line end above the footer, whatever the
  // sheet.
  double table_bottom = footer_top(page, job);
  page.set_FontSize(18);
  if (job.box_delay_ms > 0) table_bottom -= page.TextHeight(); // in the table's size, as printed
  page.set_FontName(QStringLiteral("Courier New"));
  page.set_FontSize(18);
  page.set_FontBold(true);
  const double table_top = std::min(0.73 * page.Height(), table_bottom - 7 * page.TextHeight());
  page.set_FontName(QStringLiteral("Arial"));
  page.set_FontBold(false);
  page.set_FontSize(18);
  bool sized = false;
  QSizeF thumb;
  for (std::size_t i = 0; i < layout.runners.size(); ++i) {
    const Series_Runner& runner = layout.runners.at(i);
    QImage picture = frames.Runner_Picture(runner.box, job.split);
    if (picture.isNull()) {
      Trace_Message(QStringLiteral("*Print_Frame, no stored picture for box"), runner.box);
      continue;
    }
    if (!sized) {
      const QSizeF shown = shown_twips(job, picture);
      const QSizeF size(Thumbnail_Scale * job.twips_per_pixel_x * shown.width(),
                        Thumbnail_Scale * job.twips_per_pixel_y * shown.height());
      // Three across, and as many rows as there are runners, above the table.
      const int rows = layout.runners.size() > 3 ? 2 : 1;
      const double right = std::min(page.ScaleWidth(), page.Width() - x0);
      const QSizeF room((right - x0 - 2 * Picture_Gap) / 3,
                        (table_top - Picture_Gap - top - (rows - 1) * Picture_Gap) / rows);
      const double factor = fit_factor(size, room);
      thumb = QSizeF(size.width() * factor, size.height() * factor);
      sized = true;
    }
    const QString name = runner.box >= 1 && runner.box <= 6 ? job.header_dog_names.at(runner.box - 1) : QString();
    print_BOX_Time(picture, runner.rank, runner.box, {}, name, label_style(job, picture));
    const auto column = static_cast<double>(i % 3);
    const int row_index = i / 3;
    const auto row = static_cast<double>(row_index);
    const QRectF place(x0 + column * (thumb.width() + Picture_Gap), top + row * (thumb.height() + Picture_Gap),
                       thumb.width(), thumb.height());
    page.PaintPicture(picture, place.x(), place.y(), place.width(), place.height());
    layout.pictures.push_back(place);
  }

  page.set_FontName(QStringLiteral("Courier New"));
  page.set_FontSize(18);
  page.set_FontBold(true);
  layout.table = Series_Table(job.results, job.box_delay_ms, job.split ? std::array<QString, 6>{} : job.distances);
  // A line with a long name and " Dead heat" is wider than a portrait page holds at 18 points:
  // the whole table gets the size at which its widest line fits, so its columns stay aligned.
  QString widest = Series_Table_Heading;
  for (const Series_Table_Line& line : layout.table) {
    page.set_FontItalic(line.dead_heat);
    if (page.TextWidth(line.text) > page.TextWidth(widest)) widest = line.text;
  }
  page.set_FontItalic(false);
  shrink_to_fit(page, widest, page.ScaleWidth() - x0);
  layout.table_font_size = page.FontSize();
  page.set_CurrentY(table_top);
  page.set_FontUnderline(true);
  page.set_CurrentX(x0);
  page.Print_Line(Series_Table_Heading);
  page.set_FontUnderline(false);
  for (const Series_Table_Line& line : layout.table) {
    page.set_FontItalic(line.dead_heat);
    page.set_CurrentX(x0);
    page.Print_Line(line.text);
  }
}

void print_footer(Page_Surface& page, const Photo_Finish_Job& job, double x0, const Photo_Finish_Pacing& pacing) {
  page.set_FontUnderline(false);
  // The same face after a picture or after the table.
  page.set_FontName(QStringLiteral("Arial"));
  page.set_FontBold(false);
  if (job.box_delay_ms > 0) {
    page.set_CurrentX(x0);
    page.set_FontItalic(true);
    page.Print_Line(QStringLiteral("Box delay = ") + QString::number(job.box_delay_ms) + QStringLiteral(" ms"));
  }
  // Lines further down than their place are not printed over what is above them.
  if (!job.series) {
    page.set_CurrentX(x0);
    page.set_CurrentY(std::max(0.74 * page.Height(), page.CurrentY()));
    page.Print_Line(QStringLiteral("Elapsed time : ") + job.elapsed_text);
  }
  const double top = footer_top(page, job);
  page.set_FontName(QStringLiteral("Arial"));
  page.set_FontBold(false);
  page.set_FontItalic(job.box_delay_ms > 0);
  page.set_CurrentX(x0);
  page.set_FontSize(12);
  page.set_CurrentY(std::min(std::max(0.9 * page.Height(), page.CurrentY()), top));
  page.Print_Line(Evidence_Line(job));
  if (!job.audit_head.isEmpty()) {
    page.set_CurrentX(x0);
    page.Print_Line(QStringLiteral("Audit head: ") + job.audit_head);
  }
  pace(pacing, 70, 300);

  page.set_DrawWidth(Footer_Line_Dots);
  const double y = page.CurrentY();
  page.Line(x0, y, std::min(page.Width() - x0, page.ScaleWidth()), y);
  page.set_CurrentX(x0);
  page.set_FontSize(16);
  page.Print_Line(QStringLiteral("Doravent dog race timing system"));
  page.set_CurrentX(x0);
  page.set_FontSize(10);
  page.set_FontItalic(true);
  page.Print_Line(QStringLiteral("Printed by ") + program().Program_Name + QStringLiteral(" version ") +
                  program().Program_Version + QStringLiteral(" at: ") + General_Date_Text(Local_Now()) +
                  QStringLiteral(" printer: ") + job.printer_name);
  page.set_CurrentX(x0);
  page.set_FontSize(10);
  page.set_FontItalic(true);
  page.set_FontBold(true);
  page.Print_Line(Maker_Line);
}

} // namespace

QString Photo_Finish_Title(const Photo_Finish_Job& job) {
  QString title = QStringLiteral("Photo finish ") + job.file_name;
  if (!job.sha256_hex.isEmpty()) title += QStringLiteral(", frames SHA-256 ") + job.sha256_hex;
  return title;
}

Photo_Finish_Layout Print_Photo_Finish(Page_Surface& page, const Photo_Finish_Job& job, Photo_Finish_Frames& frames,
                                       const Photo_Finish_Pacing& pacing) {
  Photo_Finish_Layout layout;
  layout.sheet = QSizeF(page.Width(), page.Height());
  layout.printable_origin = page.Printable_Origin();
  if (pacing.wait) pacing.wait(300);
  if (pacing.percent) pacing.percent(10);
  trace_device(page, job);
  const double x0 = std::floor(0.1 * page.Width());
  page.set_Left_Margin(x0);
  print_heading(page, job, x0, layout);
  if (job.series)
    print_series(page, job, frames, x0, layout);
  else
    print_single_frame(page, job, frames, x0, pacing, layout);
  print_footer(page, job, x0, pacing);
  page.EndDoc();
  pace(pacing, 100, 500);
  return layout;
}

void Fill_From_Recording(Photo_Finish_Job& job, cls_VideoFile_handler& recording, const QString& settings_path,
                         int32_t live_box_delay_ms) {
  // A damaged header leaves a field empty rather than the page unprinted.
  const auto text = [](const std::function<QString()>& read) {
    try {
      return read();
    } catch (...) {
      return QString();
    }
  };
  // The results' own event name: a correction in the results window is on the page at once.
  job.event_name = text([&] { return recording.Dora_event(); });
  job.heat_id = text([&] { return recording.Dora_Heat_ID(); });
  job.heat_name = text([&] { return recording.Dora_Heat_Name(); });
  job.start_date_time = text([&] { return recording.Dora_start_DateTime(); });
  if (!text([&] { return recording.XML_Header().Dora_Start_Recovered(); }).isEmpty())
    job.start_date_time += QStringLiteral(" (start recovered)");
  for (int16_t box = 1; box <= 6; ++box)
    job.header_dog_names.at(static_cast<size_t>(box - 1)) = text([&] { return recording.Dora_Dog_name(box); });
  job.state = Result_State_Of(text([&] { return recording.XML_Header().Dora_Result_State(); }));
  // A declared result is printed as it was declared, whatever the settings say now.
  const Result_Settings settings =
      Result_Settings_For(recording.XML_Header(), live_box_delay_ms, Read_Distance_Rules(settings_path));
  job.box_delay_ms = settings.box_delay_ms;
  job.distances = Beaten_Distances(job.results, settings.rules);
  job.file_name = QFileInfo(recording.File_name()).fileName();
  job.sha256_hex = Frame_Data_SHA256_Hex(recording.File_name());
  job.audit_head = text([&] { return recording.XML_Header().Dora_Audit_Head(); });
}

QString Evidence_Line(const Photo_Finish_Job& job) {
  QString line = QStringLiteral("File name: ") + job.file_name;
  if (!job.sha256_hex.isEmpty())
    line += QStringLiteral("   Frames SHA-256: ") + job.sha256_hex.left(Printed_Digest_Digits);
  return line;
}
