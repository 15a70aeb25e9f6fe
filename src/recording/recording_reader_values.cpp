// The reader's values: counts the header states, the capture stamps from the record heads, the
// times of the shown picture and the recording's properties text.
#include "metadata/xml_header.h"
#include "platform/number_text.h"
#include "platform/trace.h"
#include "recording/header_values.h"
#include "recording/record_io.h"
#include "recording/recording_file.h"
#include "recording/recording_reader.h"

#include <QFileInfo>
#include <QLocale>
#include <QStringList>
#include <algorithm>
#include <array>
#include <cmath>

namespace {

using header_values::Number;
using header_values::Text;

QString True_False(bool flag) { return flag ? QStringLiteral("True") : QStringLiteral("False"); }

} // namespace

int16_t Recording_Reader::QN3_Num_Frames() const {
  const Cls_XML_header& h = recording_.Header();
  return static_cast<int16_t>(std::clamp<int64_t>(Number([&] { return h.Frames_no(); }), INT16_MIN, INT16_MAX));
}

int16_t Recording_Reader::Segments_Num() const {
  const Cls_XML_header& h = recording_.Header();
  return static_cast<int16_t>(std::clamp<int64_t>(Number([&] { return h.Segments_no(); }), INT16_MIN, INT16_MAX));
}

int32_t Recording_Reader::Largest_JPG() const {
  const Cls_XML_header& h = recording_.Header();
  return static_cast<int32_t>(
      std::clamp<int64_t>(Number([&] { return h.RGB_Compressed_max_Size(); }), INT32_MIN, INT32_MAX));
}

int32_t Recording_Reader::Smallest_JPG() const {
  const Cls_XML_header& h = recording_.Header();
  return static_cast<int32_t>(
      std::clamp<int64_t>(Number([&] { return h.RGB_Compressed_min_Size(); }), INT32_MIN, INT32_MAX));
}

QString Recording_Reader::Measured_fps() const {
  const Cls_XML_header& h = recording_.Header();
  return Text([&] { return h.RGB_fps(); });
}

int16_t Recording_Reader::Num_Video_streams() const {
  if (!recording_.Is_Open()) return 0;
  try {
    bool ok = false;
    const int value = recording_.Header().Streams_no().trimmed().toInt(&ok);
    // Every recording this program writes holds one stream; a missing count means that one.
    if (!ok || value < 1) return 1;
    return static_cast<int16_t>(std::min(value, int{INT16_MAX}));
  } catch (const std::exception&) {
    return 1;
  }
}

void Recording_Reader::Build_Stamps() {
  stamps_.assign(static_cast<size_t>(std::max<int16_t>(frame_count_, 0)), Record_Stamp{});
  stamps_built_ = true;
  if (!recording_.Is_Open() || !recording_.Device() || record_size_ < qn3::Record_Overhead) return;
  std::array<uint8_t, qn3::Record_Peek_Size> head{};
  int32_t unreadable = 0;
  for (int32_t frame = 1; frame <= frame_count_; ++frame) {
    ++stamp_reads_;
    qn3::Record_Fields fields;
    // A short or unmarked record is no frame: a picture scan keeps the previous record there.
    if (qn3::Read_Record_At(*recording_.Device(), qn3::Record_Offset(frame, record_size_), head.data(),
                            qn3::Record_Peek_Size, qn3::Record_Peek_Size, fields) != qn3::Record_Read::Read) {
      ++unreadable;
      continue;
    }
    stamps_[static_cast<size_t>(frame - 1)] = {fields.capture_mill, true};
  }
  if (unreadable > 0) Trace_Message(QStringLiteral("*Build_Stamps, records without a frame"), unreadable);
}

std::optional<int32_t> Recording_Reader::Record_Capture_Mill(int16_t frame) {
  if (!recording_.Is_Open()) return std::nullopt;
  if (!stamps_built_ || stamps_.size() != static_cast<size_t>(std::max<int16_t>(frame_count_, 0))) Build_Stamps();
  if (frame < 1 || static_cast<size_t>(frame) > stamps_.size()) return std::nullopt;
  const Record_Stamp& stamp = stamps_[static_cast<size_t>(frame - 1)];
  if (!stamp.valid) return std::nullopt;
  return stamp.capture_mill;
}

int32_t Recording_Reader::Timestamp_long() const {
  return recording_.Suffix() == QLatin1String("qn3") ? read_record_.capture_mill : 0;
}

float Recording_Reader::Player_Effective_Time() const {
  return static_cast<float>(effective_player_time_ - base_time_);
}

int32_t Recording_Reader::Effective_time() const { return static_cast<int32_t>(std::lround(effective_player_time_)); }

QString Recording_Reader::Formatted_Time() const {
  QString text = QString::number(Effective_time() / 1000.0, 'f', 2);
  return text.replace(QLatin1Char('.'), QLocale::system().decimalPoint());
}

void Recording_Reader::Set_Base_time(bool on) { base_time_ = on ? effective_player_time_ : 0; }

QString Recording_Reader::Dora_Goal_compensation() const {
  QString stored = recording_.Header().Goal_Compensation();
  if (stored.trimmed().toDouble() == 0 && default_goal_compensation_ > 0)
    return QString::number(default_goal_compensation_);
  return stored;
}

double Recording_Reader::Goal_Compensation_Ms() const { return Leading_Number(Dora_Goal_compensation()); }

double Recording_Reader::Field_Interval_Ms() const {
  try {
    return recording_.Header().RGB_Field_Interval_Us() / 1000.0;
  } catch (const std::exception&) {
    return 20; // no header: as recordings without the value are
  }
}

double Recording_Reader::Frame_Interval_Ms() const {
  try {
    return recording_.Header().RGB_Frame_Interval_Us() / 1000.0;
  } catch (const std::exception&) {
    return 40;
  }
}

QString Recording_Reader::QN3_Properties() const {
  const QString& name = recording_.Name();
  if (name.isEmpty()) return {};
  const Cls_XML_header& h = recording_.Header();
  const double length = static_cast<double>(QFileInfo(name).size());
  const int64_t frames = Number([&] { return h.Frames_no(); });
  const int64_t x = Number([&] { return h.RGB_X(); });
  const int64_t y = Number([&] { return h.RGB_Y(); });
  // In floating point: a damaged header's sizes would overflow any integer product.
  const double raw = static_cast<double>(x) * static_cast<double>(y) * 3;
  const bool rotated = header_values::Flag([&] { return h.RGB_Rotated(); });
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
        << QStringLiteral("Segments : ") + Text([&] { return h.Segments_no(); })
        << QStringLiteral("Rotated : ") + True_False(rotated)
        << QStringLiteral("Dimensions : ") +
               (rotated ? QString::number(y) + QStringLiteral("*") + QString::number(x) + QStringLiteral(" Rotated")
                        : QString::number(x) + QStringLiteral("*") + QString::number(y))
        << QStringLiteral("Fourcc : ") + Text([&] { return h.RGB_fourcc(); })
        << QStringLiteral("Codec : ") + Text([&] { return h.RGB_JPEG_codec(); })
        << QStringLiteral("Base Quality : ") + Text([&] { return h.RGB_JPEG_Quality(); })
        << QStringLiteral("Reduced Quality instances : ") + Text([&] { return h.JPG_Reduced_Qual_num(); })
        << QStringLiteral("JPG Threshold : ") + Text([&] { return h.RGB_Max_Seen_size(); }) + QStringLiteral("/") +
               Text([&] { return h.RGB_Comp_Threshold(); })
        << QStringLiteral("Max JPG : ") + Text([&] { return h.RGB_Compressed_max_Size(); })
        << QStringLiteral("Min JPG : ") + Text([&] { return h.RGB_Compressed_min_Size(); })
        << QStringLiteral("Measured fps : ") + Text([&] { return h.RGB_fps(); })
        << QStringLiteral("Interlaced : ") + True_False(header_values::Flag([&] { return h.RGB_interlaced(); }))
        << QStringLiteral("Capture Computer : ") + Text([&] { return h.Comp_Name(); })
        << QStringLiteral("Capture property : ") + Text([&] { return h.Capture_property(); })
        << QStringLiteral("Capture .exe name : ") + Text([&] { return h.Element_Text(QStringLiteral("exe_name")); })
        << QStringLiteral("Phidget serial : ") + Text([&] { return h.Phidget_serial(); })
        << QStringLiteral("Comment : ") + Text([&] { return h.File_comment1(); });
  return lines.join(QStringLiteral("\r\n"));
}
