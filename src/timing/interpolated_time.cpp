#include "timing/interpolated_time.h"

#include "metadata/xml_header.h"
#include "platform/clock.h"
#include "recording/video_file_handler.h"
#include "timing/time_text.h"

std::optional<Interpolated_Time> Read_Interpolated_Time(const Cls_XML_header& header, int16_t box) {
  try {
    const std::optional<QString> interpolated = header.Box_Element(box, Interpolated_Element);
    if (!interpolated) return std::nullopt;
    bool ok = false;
    Interpolated_Time t;
    t.time_ms = interpolated->trimmed().toInt(&ok);
    if (!ok || t.time_ms != header.Dora_Heat_time(box, false)) return std::nullopt;
    t.field_time_ms = header.Box_Element(box, Field_Time_Element).value_or(QString()).trimmed().toInt(&ok);
    if (!ok) return std::nullopt;
    t.uncertainty_ms = header.Box_Element(box, Uncertainty_Element).value_or(QString()).trimmed().toDouble(&ok);
    if (!ok || !(t.uncertainty_ms >= 0)) t.uncertainty_ms = 0;
    return t;
  } catch (...) {
    // A header without the race section holds no times at all.
    return std::nullopt;
  }
}

void Write_Interpolated_Time(Cls_XML_header& header, int16_t box, const Interpolated_Time& time) {
  header.set_Box_Element(box, Interpolated_Element, QString::number(time.time_ms));
  header.set_Box_Element(box, Field_Time_Element, QString::number(time.field_time_ms));
  header.set_Box_Element(box, Uncertainty_Element, QString::number(time.uncertainty_ms, 'f', 1));
  header.Remove_Box_Element(box, Unsure_Element);
}

void Clear_Interpolated_Time(Cls_XML_header& header, int16_t box) {
  for (const QString& name : {Interpolated_Element, Field_Time_Element, Uncertainty_Element, Unsure_Element})
    header.Remove_Box_Element(box, name);
}

QString Unsure_Note(const Cls_XML_header& header, int16_t box) {
  if (!Read_Interpolated_Time(header, box)) return {};
  try {
    return header.Box_Element(box, Unsure_Element).value_or(QString()).trimmed();
  } catch (...) {
    return {};
  }
}

void Write_Unsure_Note(Cls_XML_header& header, int16_t box, const QString& reason) {
  header.set_Box_Element(box, Unsure_Element, reason);
}

QString Interpolated_Note(const Cls_XML_header& header, int16_t box) {
  const std::optional<Interpolated_Time> t = Read_Interpolated_Time(header, box);
  if (!t) return {};
  const QString unsure = Unsure_Note(header, box);
  return QStringLiteral("Interpolated between fields: %1 s \u00b1 %2 ms (field time %3)")
             .arg(QString::number(t->time_ms / 1000.0, 'f', 3), QString::number(t->uncertainty_ms, 'f', 1),
                  Display_Mill_Time(t->field_time_ms, true)) +
         (unsure.isEmpty() ? QString() : QStringLiteral(". Accepted from an unsure proposal: ") + unsure);
}

void Apply_Box_Times(cls_VideoFile_handler& recording, const std::vector<Box_Time>& times) {
  // One click time for all: times stored together rank among themselves by box.
  const int32_t click = Mill_Now();
  for (const Box_Time& t : times) {
    recording.set_Dora_Heat_time(t.box, false, t.interpolated ? t.interpolated->time_ms : t.time_ms);
    recording.set_Dora_heat_frame(t.box, t.slider_position);
    recording.set_Dora_Heat_Click_Time(t.box, click);
    recording.set_Dora_dead_heat(t.box, t.dead_heat);
    if (t.interpolated)
      Write_Interpolated_Time(recording.XML_Header(), t.box, *t.interpolated);
    else
      Clear_Interpolated_Time(recording.XML_Header(), t.box);
  }
}
