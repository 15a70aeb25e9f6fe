#include "recording/video_file_handler.h"

#include "metadata/xml_header.h"
#include "platform/number_text.h"

#include <QFileInfo>
#include <QLocale>
#include <cmath>

namespace {

QString Or_Empty(const std::function<QString()>& read) {
  try {
    return read();
  } catch (const std::exception&) {
    return {};
  }
}

int64_t Header_Number(const std::function<QString()>& read) { return Or_Empty(read).trimmed().toLongLong(); }

QString True_False(bool flag) { return flag ? QStringLiteral("True") : QStringLiteral("False"); }

bool Flag_Or_False(const std::function<bool()>& read) {
  try {
    return read();
  } catch (const std::exception&) {
    return false;
  }
}

} // namespace

int16_t cls_VideoFile_handler::QN3_Num_Frames() const {
  return static_cast<int16_t>(
      std::clamp<int64_t>(Header_Number([&] { return header_->Frames_no(); }), INT16_MIN, INT16_MAX));
}

int16_t cls_VideoFile_handler::Segments_Num() const {
  return static_cast<int16_t>(
      std::clamp<int64_t>(Header_Number([&] { return header_->Segments_no(); }), INT16_MIN, INT16_MAX));
}

int32_t cls_VideoFile_handler::Largest_JPG() const {
  return static_cast<int32_t>(
      std::clamp<int64_t>(Header_Number([&] { return header_->RGB_Compressed_max_Size(); }), INT32_MIN, INT32_MAX));
}

int32_t cls_VideoFile_handler::Smallest_JPG() const {
  return static_cast<int32_t>(
      std::clamp<int64_t>(Header_Number([&] { return header_->RGB_Compressed_min_Size(); }), INT32_MIN, INT32_MAX));
}

QString cls_VideoFile_handler::Measured_fps() const {
  return Or_Empty([&] { return header_->RGB_fps(); });
}

int32_t cls_VideoFile_handler::Timestamp_long() const {
  return file_suffix_ == QLatin1String("qn3") ? read_record_.capture_mill : 0;
}

float cls_VideoFile_handler::Player_Effective_Time() const {
  return static_cast<float>(effective_player_time_ - base_time_);
}

int32_t cls_VideoFile_handler::Effective_time() const {
  return static_cast<int32_t>(std::lround(effective_player_time_));
}

QString cls_VideoFile_handler::Formatted_Time() const {
  QString text = QString::number(Effective_time() / 1000.0, 'f', 2);
  return text.replace(QLatin1Char('.'), QLocale::system().decimalPoint());
}

void cls_VideoFile_handler::Set_Base_time(bool on) { base_time_ = on ? effective_player_time_ : 0; }

QString cls_VideoFile_handler::QN3_Properties() const {
  if (file_name_.isEmpty()) return {};
  const Cls_XML_header& h = *header_;
  const double length = static_cast<double>(QFileInfo(file_name_).size());
  const int64_t frames = Header_Number([&] { return h.Frames_no(); });
  const int64_t x = Header_Number([&] { return h.RGB_X(); });
  const int64_t y = Header_Number([&] { return h.RGB_Y(); });
  // In floating point: a damaged header's sizes would overflow any integer product.
  const double raw = static_cast<double>(x) * static_cast<double>(y) * 3;
  const bool rotated = Flag_Or_False([&] { return h.RGB_Rotated(); });
  // A recording without frames has no average: 0 rather than a division by zero.
  const double per_frame = frames > 0 ? length / static_cast<double>(frames) : 0;
  const int64_t frame_kb = static_cast<int64_t>(std::floor(std::floor(per_frame) / 1024));
  const int64_t ratio = raw > 0 ? static_cast<int64_t>(std::floor(per_frame / raw * 100)) : 0;
  const double megabytes = std::nearbyint(length / 1048576 * 10) / 10;

  QStringList lines;
  lines << QStringLiteral("File size: ") + QString::number(megabytes) + QStringLiteral(" MB")
        << QStringLiteral("Average frame size : ") + QString::number(frame_kb) + QStringLiteral(" kB")
        << QStringLiteral("Average compression ratio : ") + QString::number(ratio) + QStringLiteral("%")
        << QStringLiteral("Frames : ") + QString::number(frames)
        << QStringLiteral("Segments : ") + Or_Empty([&] { return h.Segments_no(); })
        << QStringLiteral("Rotated : ") + True_False(rotated)
        << QStringLiteral("Dimensions : ") +
               (rotated ? QString::number(y) + QStringLiteral("*") + QString::number(x) + QStringLiteral(" Rotated")
                        : QString::number(x) + QStringLiteral("*") + QString::number(y))
        << QStringLiteral("Fourcc : ") + Or_Empty([&] { return h.RGB_fourcc(); })
        << QStringLiteral("Codec : ") + Or_Empty([&] { return h.RGB_JPEG_codec(); })
        << QStringLiteral("Base Quality : ") + Or_Empty([&] { return h.RGB_JPEG_Quality(); })
        << QStringLiteral("Reduced Quality instances : ") + Or_Empty([&] { return h.JPG_Reduced_Qual_num(); })
        << QStringLiteral("JPG Threshold : ") + Or_Empty([&] { return h.RGB_Max_Seen_size(); }) + QStringLiteral("/") +
               Or_Empty([&] { return h.RGB_Comp_Threshold(); })
        << QStringLiteral("Max JPG : ") + Or_Empty([&] { return h.RGB_Compressed_max_Size(); })
        << QStringLiteral("Min JPG : ") + Or_Empty([&] { return h.RGB_Compressed_min_Size(); })
        << QStringLiteral("Measured fps : ") + Or_Empty([&] { return h.RGB_fps(); })
        << QStringLiteral("Interlaced : ") + True_False(Flag_Or_False([&] { return h.RGB_interlaced(); }))
        << QStringLiteral("Capture Computer : ") + Or_Empty([&] { return h.Comp_Name(); })
        << QStringLiteral("Capture property : ") + Or_Empty([&] { return h.Capture_property(); })
        << QStringLiteral("Capture .exe name : ") + Or_Empty([&] { return h.Element_Text(QStringLiteral("exe_name")); })
        << QStringLiteral("Phidget serial : ") + Or_Empty([&] { return h.Phidget_serial(); })
        << QStringLiteral("Comment : ") + Or_Empty([&] { return h.File_comment1(); });
  return lines.join(QStringLiteral("\r\n"));
}

// ---- Heat data: straight to the header document ----
QString cls_VideoFile_handler::Dora_event() const { return header_->Dora_event(); }
void cls_VideoFile_handler::set_Dora_event(const QString& text) { header_->set_Dora_event(text); }
QString cls_VideoFile_handler::Dora_Heat_ID() const { return header_->Dora_Heat_ID(); }
void cls_VideoFile_handler::set_Dora_Heat_ID(const QString& text) { header_->set_Dora_Heat_ID(text); }
QString cls_VideoFile_handler::Dora_Heat_Name() const { return header_->Dora_Heat_Name(); }
void cls_VideoFile_handler::set_Dora_Heat_Name(const QString& text) { header_->set_Dora_Heat_Name(text); }
QString cls_VideoFile_handler::Dora_Heat_Length() const { return header_->Dora_Heat_Length(); }
void cls_VideoFile_handler::set_Dora_Heat_Length(const QString& text) { header_->set_Dora_Heat_Length(text); }
QString cls_VideoFile_handler::Dora_start_DateTime() const { return header_->Dora_start_DateTime(); }
void cls_VideoFile_handler::set_Dora_start_DateTime(const QString& text) { header_->set_Dora_start_DateTime(text); }
int32_t cls_VideoFile_handler::Dora_start_PC_mill() const { return header_->Dora_heat_start_PC_mill(); }
void cls_VideoFile_handler::set_Dora_start_PC_mill(int32_t ms) { header_->set_Dora_heat_start_PC_mill(ms); }
void cls_VideoFile_handler::set_Dora_heat_start_local(int32_t ms) { header_->set_Dora_heat_start_Local_mill(ms); }
void cls_VideoFile_handler::set_Dora_start_HDMI_events(int32_t count) { header_->set_Dora_start_HDMI_events(count); }
QString cls_VideoFile_handler::Dora_box_delay() const { return header_->Dora_box_delay(); }
void cls_VideoFile_handler::set_Dora_box_delay(const QString& text) { header_->set_Dora_box_delay(text); }

QString cls_VideoFile_handler::Dora_Goal_compensation() const {
  const QString stored = header_->Goal_Compensation();
  if (stored.trimmed().toDouble() == 0 && default_goal_compensation_ > 0)
    return QString::number(default_goal_compensation_);
  return stored;
}
void cls_VideoFile_handler::set_Dora_Goal_compensation(const QString& text) { header_->set_Goal_Compensation(text); }
double cls_VideoFile_handler::Goal_Compensation_Ms() const { return Leading_Number(Dora_Goal_compensation()); }
QString cls_VideoFile_handler::Dora_Split_compensation() const { return header_->Split_Compensation(); }
void cls_VideoFile_handler::set_Dora_Split_compensation(const QString& text) { header_->set_Split_Compensation(text); }
QString cls_VideoFile_handler::Dora_Goal_Finish() const { return header_->Dora_Goal_Finish(); }
void cls_VideoFile_handler::set_Dora_Goal_Finish(const QString& text) { header_->set_Dora_Goal_Finish(text); }
QString cls_VideoFile_handler::Dora_Goal_Split() const { return header_->Dora_Goal_Split(); }
void cls_VideoFile_handler::set_Dora_Goal_Split(const QString& text) { header_->set_Dora_Goal_Split(text); }
void cls_VideoFile_handler::set_Dora_goal_firewire_ID(const QString& text) { header_->set_Dora_goal_firewire_ID(text); }
void cls_VideoFile_handler::set_Dora_split_firewire_ID(const QString& text) {
  header_->set_Dora_split_firewire_ID(text);
}
QString cls_VideoFile_handler::Dora_Dog_name(int16_t box) const { return header_->Dora_Dog_name(box); }
void cls_VideoFile_handler::set_Dora_Dog_name(int16_t box, const QString& name) {
  header_->set_Dora_Dog_name(box, name);
}
int16_t cls_VideoFile_handler::Dora_heat_frame(int16_t box) const { return header_->Dora_heat_frame(box); }
void cls_VideoFile_handler::set_Dora_heat_frame(int16_t box, int16_t frame) {
  header_->set_Dora_heat_frame(box, frame);
}
int16_t cls_VideoFile_handler::Dora_split_frame(int16_t box) const { return header_->Dora_split_frame(box); }
void cls_VideoFile_handler::set_Dora_split_frame(int16_t box, int16_t frame) {
  header_->set_Dora_split_frame(box, frame);
}
int32_t cls_VideoFile_handler::Dora_Heat_Click_Time(int16_t box) const { return header_->Dora_Heat_Click_Time(box); }
void cls_VideoFile_handler::set_Dora_Heat_Click_Time(int16_t box, int32_t ms) {
  header_->set_Dora_Heat_Click_Time(box, ms);
}
int32_t cls_VideoFile_handler::Dora_Heat_time(int16_t box, bool split) const {
  return header_->Dora_Heat_time(box, split);
}
void cls_VideoFile_handler::set_Dora_Heat_time(int16_t box, bool split, int32_t ms) {
  header_->set_Dora_Heat_time(box, split, ms);
}
bool cls_VideoFile_handler::Dora_dead_heat(int16_t box) const { return header_->Dora_dead_heat(box); }
void cls_VideoFile_handler::set_Dora_dead_heat(int16_t box, bool dead_heat) {
  header_->set_Dora_dead_heat(box, dead_heat);
}
