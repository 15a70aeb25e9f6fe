#include "qn3_print.h"

#include "qn3_commands.h"

#include "metadata/xml_header.h"
#include "platform/program_info.h"
#include "presentation/page_surface.h"
#include "presentation/photo_finish_print.h"
#include "recording/file_digest.h"
#include "recording/frame_display.h"
#include "recording/qn3_format.h"
#include "recording/video_file_handler.h"
#include "timing/goal_line.h"
#include "timing/navigation.h"
#include "timing/result_ranking.h"
#include "timing/run_time.h"
#include "timing/time_text.h"

#include <QFile>
#include <QFileInfo>
#include <QPageSize>
#include <QPdfWriter>

#include <optional>

namespace qn3_tool {
namespace {

constexpr int Pdf_Dpi = 1200;

int Print_Usage(QTextStream& err, const QString& why) {
  err << "doravent-qn3: " << why << "\n"
      << "usage: doravent-qn3 print FILE OUT.pdf [--frame N [--field 1|2]] [--series] [--split] [--box-delay MS]\n";
  err.flush();
  return Exit_Usage;
}

// The recording's pictures as the review window shows them: the slider counts fields when the
// window would, and the camera's goal line is drawn over each picture.
class Recording_Frames final : public Photo_Finish_Frames {
public:
  Recording_Frames(cls_VideoFile_handler& recording, bool field_mode) : h_(recording), field_mode_(field_mode) {}

  // Shows slider position `value`; false when its picture could not be read.
  bool Show_Value(int32_t value, int16_t camera) {
    if (field_mode_) {
      h_.Draw_RGB_Field(value, display_);
    } else {
      h_.set_Field_To_Show(1);
      h_.Draw_RGB_frame(static_cast<int16_t>(value), display_);
    }
    return Finish(camera);
  }
  // Shows frame `frame`, or only its field 1 or 2.
  bool Show_Frame(int16_t frame, int16_t field, int16_t camera) {
    if (field == 0) {
      h_.set_Field_To_Show(1);
      h_.Draw_RGB_frame(frame, display_);
    } else {
      h_.Draw_RGB_Field(2 * frame - 2 + field, display_);
    }
    return Finish(camera);
  }

  QImage Shown_Picture() override { return shown_; }

  QImage Runner_Picture(int16_t box, bool split) override {
    const int16_t position = split ? h_.Dora_split_frame(box) : h_.Dora_heat_frame(box);
    const int32_t last = field_mode_ ? h_.Num_fields() : h_.Num_Frames();
    if (position < 1 || position > last) return {};
    if (!Show_Value(position, split ? 2 : 1)) return {};
    return shown_;
  }

  int32_t Shown_Run_Time() const {
    return Picture_Run_Time(h_.Timestamp_long(), h_.Dora_start_PC_mill(), h_.Field_To_Show(), h_.Goal_Compensation_Ms(),
                            h_.Field_Interval_Ms());
  }

private:
  bool Finish(int16_t camera) {
    shown_ = {};
    if (h_.Read_error() || display_.image.isNull()) return false;
    shown_ = display_.image.copy();
    const QString stored = camera == 2 ? h_.Dora_Goal_Split() : h_.Dora_Goal_Finish();
    if (const auto points = Parse_Goal_Line(stored)) {
      try {
        Draw_Goal_Line(shown_, {points->at(0), points->at(1), points->at(2), points->at(3)},
                       Goal_Line_Colour(camera, false, false));
      } catch (...) {
        // A line outside the picture's range is left off; the picture still prints.
      }
    }
    return true;
  }

  cls_VideoFile_handler& h_;
  bool field_mode_;
  Image_Display display_;
  QImage shown_;
};

} // namespace

int Print(const QStringList& args, QTextStream& out, QTextStream& err) {
  QStringList positional;
  std::optional<int> frame;
  int16_t field = 0;
  bool series = false;
  bool split = false;
  std::optional<int32_t> box_delay;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& a = args[i];
    const bool has_value = i + 1 < args.size();
    bool ok = true;
    if (a == QStringLiteral("--series")) {
      series = true;
    } else if (a == QStringLiteral("--split")) {
      split = true;
    } else if (a == QStringLiteral("--frame")) {
      if (!has_value) return Print_Usage(err, QStringLiteral("--frame needs a value"));
      frame = args[++i].toInt(&ok);
      if (!ok) return Print_Usage(err, QStringLiteral("--frame takes a frame number"));
    } else if (a == QStringLiteral("--field")) {
      if (!has_value) return Print_Usage(err, QStringLiteral("--field needs a value"));
      const QString f = args[++i];
      if (f != QStringLiteral("1") && f != QStringLiteral("2"))
        return Print_Usage(err, QStringLiteral("--field takes 1 or 2"));
      field = static_cast<int16_t>(f.toInt());
    } else if (a == QStringLiteral("--box-delay")) {
      if (!has_value) return Print_Usage(err, QStringLiteral("--box-delay needs a value"));
      box_delay = args[++i].toInt(&ok);
      if (!ok) return Print_Usage(err, QStringLiteral("--box-delay takes milliseconds"));
    } else if (a.startsWith(QStringLiteral("--"))) {
      return Print_Usage(err, QStringLiteral("unknown option ") + a);
    } else {
      positional << a;
    }
  }
  if (positional.size() != 2) return Print_Usage(err, QStringLiteral("print takes FILE and OUT.pdf"));
  if (split) series = true;
  if (series && frame) return Print_Usage(err, QStringLiteral("--frame prints one frame, not a series"));
  if (field != 0 && !frame) return Print_Usage(err, QStringLiteral("--field needs --frame"));
  const QString path = positional[0];
  const QString target = positional[1];
  if (QFileInfo(target).suffix().toLower() != QStringLiteral("pdf"))
    return Print_Usage(err, QStringLiteral("OUT must end in .pdf"));
  if (QFileInfo(target).exists() && QFileInfo(target).canonicalFilePath() == QFileInfo(path).canonicalFilePath())
    return Print_Usage(err, QStringLiteral("OUT would overwrite the recording"));

  cls_VideoFile_handler h;
  if (!Open_Recording(path, h, err)) return Exit_Bad_File;
  const Cls_XML_header& header = h.XML_Header();
  Result_Array results{};
  try {
    results = Load_Result_Array(header);
    Sort_Result_Array(results);
  } catch (...) {
    err << "doravent-qn3: the recording holds no heat results; the page has none\n";
  }
  const bool field_mode = Field_Mode_For(h.Measured_fps(), h.RGB_interlaced());
  Recording_Frames frames(h, field_mode);

  Photo_Finish_Job job;
  job.series = series;
  job.split = split;
  job.results = results;
  Fill_From_Recording(job, h, Settings_Path(), box_delay ? *box_delay : Setting_Box_Delay());
  job.printer_name = QStringLiteral("doravent-qn3");

  if (!series) {
    bool shown = false;
    if (frame) {
      if (*frame < 1 || *frame > h.Num_Frames()) {
        err << "doravent-qn3: frame " << *frame << " outside 1.." << h.Num_Frames() << "\n";
        return Exit_Usage;
      }
      shown = frames.Show_Frame(static_cast<int16_t>(*frame), field, 1);
    } else {
      // The finish of the winner, as the window shows it after going to the first rank.
      int32_t value = 1;
      try {
        const int16_t stored = results.at(0).Box >= 1 ? h.Dora_heat_frame(results.at(0).Box) : int16_t{0};
        if (stored >= 1 && stored <= (field_mode ? h.Num_fields() : h.Num_Frames())) value = stored;
      } catch (...) {
        value = 1;
      }
      shown = frames.Show_Value(value, 1);
    }
    if (!shown) {
      err << "doravent-qn3: the picture could not be read\n";
      return Exit_Bad_File;
    }
    job.elapsed_text = Display_Mill_Time(frames.Shown_Run_Time(), false);
  }

  QPdfWriter writer(target);
  writer.setResolution(Pdf_Dpi);
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setTitle(Photo_Finish_Title(job));
  writer.setCreator(program().Program_Name + QStringLiteral(" ") + program().Program_Version);
  try {
    Page_Surface page(writer);
    Print_Photo_Finish(page, job, frames);
  } catch (...) {
    err << "doravent-qn3: cannot write " << target << "\n";
    return Exit_Bad_File;
  }
  out << "printed " << (series ? (split ? "split series" : "goal series") : "frame") << " of " << job.file_name
      << " to " << target << "\n";
  return Exit_Ok;
}

} // namespace qn3_tool
