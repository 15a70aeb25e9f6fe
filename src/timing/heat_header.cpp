#include "timing/heat_header.h"

#include "metadata/xml_header.h"
#include "platform/error_report.h"
#include "platform/trace.h"
#include "recording/video_file_handler.h"

#include "platform/event_log.h"

bool Recording_Interlaced(int16_t running_fps) { return running_fps != 40; }

QString Recording_File_Name(const QString& folder, const QString& event, const QString& heat, const QDateTime& when) {
  QString name = event + QLatin1Char('_') + heat + QLatin1Char('_') +
                 when.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) + QStringLiteral(".qn3");
  for (QChar& c : name)
    if (c == QLatin1Char(':') || c == QLatin1Char('-') || c == QLatin1Char(',')) c = QLatin1Char('_');
  // A name may not leave its folder.
  name.replace(QLatin1Char('/'), QLatin1Char('_'));
  name.replace(QLatin1Char('\\'), QLatin1Char('_'));
  QString base = folder;
  if (!base.isEmpty() && !base.endsWith(QLatin1Char('/'))) base += QLatin1Char('/');
  return base + name;
}

bool Prepare_Heat_Recording(cls_VideoFile_handler& recording, const Heat_Recording_Setup& setup) {
  // Progressive frames are recorded as frames, whatever their rate.
  recording.set_RGB_interlaced(setup.fields ? setup.fields->field_interval_us > 0
                                            : Recording_Interlaced(setup.running_fps));
  recording.set_File_name(setup.file_name);
  recording.set_Cropped_X(setup.crop_width);
  recording.set_Cropped_Y(setup.crop_height);
  if (!recording.Initiate_QN3_File()) return false;
  try {
    recording.set_Running_Fps(setup.running_fps);
    Cls_XML_header& header = recording.XML_Header();
    header.set_Streams_no(QStringLiteral("1")); // one camera
    recording.set_Dora_Goal_Finish(setup.goal_finish);
    recording.set_Dora_Goal_Split(setup.goal_split);
    if (setup.event_file) {
      for (int16_t box = 1; box <= 6; ++box)
        recording.set_Dora_Dog_name(box, setup.dog_names[static_cast<size_t>(box - 1)]);
      recording.set_Dora_event(setup.event);
      recording.set_Dora_Heat_ID(setup.heat_id);
      recording.set_Dora_Heat_Name(setup.heat_name);
      recording.set_Dora_Heat_Length(setup.heat_length);
    } else {
      recording.set_Dora_event(QStringLiteral("Test Event"));
      recording.set_Dora_Heat_ID(QStringLiteral("1"));
      recording.set_Dora_Heat_Name(QStringLiteral("Test Heat"));
    }
    recording.set_Dora_box_delay(QString::number(setup.box_delay_ms));
    recording.set_Dora_Goal_compensation(QString::number(setup.goal_delay_ms));
    recording.set_Dora_Split_compensation(QString::number(setup.split_delay_ms));
    header.set_Dora_ph_serial(setup.kit_serial);
    header.set_Phidget_serial(setup.kit_serial);
    header.set_Capture_property(setup.capture_format);
    if (setup.fields) {
      header.set_RGB_Field_Order(setup.fields->order);
      header.set_RGB_Field_Interval_Us(setup.fields->field_interval_us);
      header.set_RGB_Frame_Interval_Us(setup.fields->frame_interval_us);
    }
    header.set_Capture_source(setup.capture_name + QStringLiteral(" / ") + setup.capture_format);
    if (setup.ten_frames_ms > 0)
      header.set_Actual_sample(setup.capture_format + QStringLiteral(", ") +
                               QString::number(10000 / setup.ten_frames_ms) + QStringLiteral(" fps"));
  } catch (...) {
    report_current_exception(60, QStringLiteral("Prepare_Heat_Recording of Module Heat_Header"));
    recording.Close_File();
    return false;
  }
  const bool written = recording.Write_XML_Header();
  recording.Close_File();
  Trace_Message(QStringLiteral("*Prepare_Heat_Recording, end"), setup.file_name, written);
  return written;
}

bool Stamp_Heat_Start(cls_VideoFile_handler& recording, int32_t start_mill, int32_t start_local,
                      const QDateTime& when) {
  try {
    recording.set_Dora_heat_start_local(start_local);
    recording.set_Dora_start_PC_mill(start_mill);
    recording.set_Dora_start_DateTime(General_Date_Text(when));
  } catch (...) {
    report_current_exception(10, QStringLiteral("Stamp_Heat_Start of Module Heat_Header"));
    return false;
  }
  return recording.Write_XML_Header();
}
