#include "qn3_finish.h"

#include "metadata/xml_header.h"
#include "qn3_commands.h"
#include "recording/field_pictures.h"
#include "recording/qn3_format.h"
#include "recording/slit_image.h"
#include "recording/video_file_handler.h"
#include "timing/finish_proposals.h"
#include "timing/goal_line.h"
#include "timing/led_calibration.h"
#include "timing/proposal_settings.h"
#include "timing/slit_render.h"
#include "timing/time_text.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <optional>

namespace qn3_tool {
namespace {

// The recording open for reading, with what the finish commands need of its header.
struct Heat {
  cls_VideoFile_handler handler;
  Recording_Layout layout;
  Heat_Clock clock;
};

bool Open_Heat(const QString& path, Heat& heat, QTextStream& err) {
  if (!Open_Recording(path, heat.handler, err)) return false;
  try {
    heat.layout = Recording_Layout::Of(heat.handler);
    heat.clock.start_mill = heat.handler.Dora_start_PC_mill();
    heat.clock.compensation_ms = heat.handler.Goal_Compensation_Ms();
    heat.clock.field_interval_ms = heat.handler.Field_Interval_Ms();
    heat.clock.picture_interval_ms = heat.handler.Picture_Interval_Ms();
  } catch (const std::exception& failure) {
    err << "doravent-qn3: the recording's header lacks the heat: " << failure.what() << "\n";
    return false;
  }
  if (!heat.layout.Usable()) {
    err << "doravent-qn3: no pictures in " << path << "\n";
    return false;
  }
  return true;
}

// The goal camera's line as the recording stores it.
std::optional<Slit_Line> Goal_Line_Of(const Heat& heat, QTextStream& err) {
  std::optional<Goal_Line_Points> points;
  try {
    points = Parse_Goal_Line(heat.handler.Dora_Goal_Finish());
  } catch (...) {
  }
  if (!points) {
    err << "doravent-qn3: the recording holds no goal line\n";
    return std::nullopt;
  }
  return Slit_Line{(*points)[0], (*points)[1], (*points)[2], (*points)[3]};
}

std::optional<Slit_Image> Build(const Heat& heat, QTextStream& err) {
  const std::optional<Slit_Line> line = Goal_Line_Of(heat, err);
  if (!line) return std::nullopt;
  QString why;
  std::optional<Slit_Image> slit = Build_Slit_Image(heat.layout, *line, {}, why);
  if (!slit) err << "doravent-qn3: no slit image: " << why << "\n";
  return slit;
}

} // namespace

int Slit(const QStringList& positional, QTextStream& err) {
  if (positional.size() != 2) {
    err << "doravent-qn3: slit takes FILE OUT.png\n";
    return Exit_Usage;
  }
  if (QFileInfo(positional[1]).suffix().toLower() != QStringLiteral("png")) {
    err << "doravent-qn3: OUT must end in .png\n";
    return Exit_Usage;
  }
  Heat heat;
  if (!Open_Heat(positional[0], heat, err)) return Exit_Bad_File;
  const std::optional<Slit_Image> slit = Build(heat, err);
  if (!slit) return Exit_Bad_File;
  Slit_Marks marks;
  const bool field_mode = slit->Interlaced();
  for (int16_t box = 1; box <= 6; ++box) {
    try {
      const int16_t position = heat.handler.Dora_heat_frame(box);
      if (position > 0 && heat.handler.Dora_Heat_time(box, false) > 0)
        marks.set_column[static_cast<size_t>(box - 1)] = Slit_Column_Of(*slit, position, field_mode);
    } catch (...) {
    }
  }
  const QImage picture = Render_Slit_Picture(*slit, marks, heat.clock, Export_Column_Width(*slit));
  if (!picture.save(positional[1])) {
    err << "doravent-qn3: cannot write " << positional[1] << "\n";
    return Exit_Bad_File;
  }
  return Exit_Ok;
}

int Autotime(const QStringList& positional, const QHash<QString, QString>& values, bool json, QTextStream& out,
             QTextStream& err) {
  if (positional.size() != 1) {
    err << "doravent-qn3: autotime takes one FILE\n";
    return Exit_Usage;
  }
  // The settings' rows of jackets and direction unless given.
  Proposal_Settings settings = Read_Proposal_Settings(Settings_Path());
  if (values.contains(QStringLiteral("--jackets"))) {
    const QString rows = values.value(QStringLiteral("--jackets"));
    if (!Jacket_Rows_Choices().contains(rows.trimmed(), Qt::CaseInsensitive)) {
      err << "doravent-qn3: --jackets takes " << Jacket_Rows_Choices().join(QStringLiteral(", ")) << "\n";
      return Exit_Usage;
    }
    settings.rows = Parse_Jacket_Rows(rows);
  }
  if (values.contains(QStringLiteral("--direction"))) {
    const QString direction = values.value(QStringLiteral("--direction"));
    if (!Direction_Known(direction)) {
      err << "doravent-qn3: --direction takes found, left-to-right or right-to-left\n";
      return Exit_Usage;
    }
    settings.direction = Parse_Direction(direction);
  }
  Heat heat;
  if (!Open_Heat(positional[0], heat, err)) return Exit_Bad_File;
  const std::optional<Slit_Image> slit = Build(heat, err);
  if (!slit) return Exit_Bad_File;
  Field_Picture_Reader fields;
  QString why;
  if (!fields.Open(heat.layout, why)) {
    err << "doravent-qn3: " << why << "\n";
    return Exit_Bad_File;
  }
  QString source;
  try {
    source = heat.handler.XML_Header().Capture_source();
  } catch (...) {
  }
  const Finish_Proposals proposals = Propose_Finishes(*slit, fields, heat.clock, Options_For(settings, source));
  if (json) {
    QJsonArray array;
    for (const Finish_Proposal& p : proposals) {
      QJsonObject o;
      o[QStringLiteral("box")] = p.box;
      o[QStringLiteral("found")] = p.found;
      o[QStringLiteral("frame")] = p.found ? QJsonValue(p.frame) : QJsonValue();
      o[QStringLiteral("field")] = p.found ? QJsonValue(p.field_number) : QJsonValue();
      o[QStringLiteral("time_ms")] = p.found ? QJsonValue(p.time_ms) : QJsonValue();
      o[QStringLiteral("interpolated_ms")] = p.found ? QJsonValue(p.interpolated_ms) : QJsonValue();
      o[QStringLiteral("uncertainty_ms")] = p.found ? QJsonValue(p.uncertainty_ms) : QJsonValue();
      if (p.found && p.unsure) {
        o[QStringLiteral("unsure")] = true;
        o[QStringLiteral("reason")] = p.reason;
      }
      array.append(o);
    }
    out << QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented));
    return Exit_Ok;
  }
  out << "box,frame,field,time,time_ms,interpolated_ms,uncertainty_ms\n";
  for (const Finish_Proposal& p : proposals) {
    if (!p.found) {
      out << p.box << ",not found\n";
      continue;
    }
    out << p.box << ',' << p.frame << ',' << p.field_number << ",\"" << Display_Mill_Time(p.time_ms, true) << "\","
        << p.time_ms << ',' << QString::number(p.interpolated_ms, 'f', 1) << ','
        << QString::number(p.uncertainty_ms, 'f', 1) << (p.dead_heat ? ",dead heat" : "")
        << (p.unsure ? QStringLiteral(",unsure: ") + p.reason : QString()) << "\n";
  }
  return Exit_Ok;
}

int Calibrate(const QStringList& positional, const QHash<QString, QString>& values, bool json, QTextStream& out,
              QTextStream& err) {
  if (positional.size() != 1) {
    err << "doravent-qn3: calibrate takes one FILE\n";
    return Exit_Usage;
  }
  const std::optional<Led_Rect> rect = Parse_Led_Rect(values.value(QStringLiteral("--led")));
  if (!rect) {
    err << "doravent-qn3: --led takes X,Y,W,H, the LED's place in the picture\n";
    return Exit_Usage;
  }
  Heat heat;
  if (!Open_Heat(positional[0], heat, err)) return Exit_Bad_File;
  const Led_Trial trial = Calibrate_Led(heat.layout, *rect, heat.clock.start_mill);
  if (!trial.found) {
    err << "doravent-qn3: " << trial.why << "\n";
    return Exit_Bad_File;
  }
  if (json) {
    QJsonObject o;
    o[QStringLiteral("delay_ms")] = trial.delay_ms;
    o[QStringLiteral("field")] = trial.field_number;
    out << QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Indented));
    return Exit_Ok;
  }
  out << "first lit field " << trial.field_number << " (frame " << trial.frame << ", field " << trial.field_in_frame
      << "), delay " << trial.delay_ms << " ms\n";
  return Exit_Ok;
}

} // namespace qn3_tool
