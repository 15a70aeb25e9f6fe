#include "qn3_demo.h"

#include "capture/capture_hdmi.h"
#include "capture/synthetic_camera.h"
#include "platform/clock.h"
#include "platform/program_info.h"
#include "platform/settings.h"
#include "qn3_commands.h"
#include "recording/frame_buffers.h"
#include "recording/qn3_format.h"
#include "recording/video_file_handler.h"
#include "timing/goal_line.h"
#include "timing/heat_header.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <cmath>

namespace qn3_tool {
namespace {

// The camera runs this long before the captured part, so its rate is measured (two blocks of
// 50 frames) when the recording is prepared, as the program requires.
constexpr int32_t Lead_In_Ms = 4400;
constexpr int32_t Longest_Part_Ms = 30 * 60 * 1000;

// Time moves only when the demo moves it: from frame to frame of the camera.
class Demo_Clock final : public Clock {
public:
  Demo_Clock() : mill_(Mill_Now()), local_(Local_Now()), before_(install_clock(this)) {}
  // The clock that ran before, a test's among them, runs on afterwards.
  ~Demo_Clock() override { install_clock(before_); }
  Demo_Clock(const Demo_Clock&) = delete;
  Demo_Clock& operator=(const Demo_Clock&) = delete;
  int32_t mill_now() const override { return mill_; }
  QDateTime local_now() const override { return local_; }
  void Move_To(int32_t mill) {
    local_ = local_.addMSecs(Mill_Difference(mill, mill_));
    mill_ = mill;
  }
  // The local time of day at another reading of the timer.
  QDateTime Local_At(int32_t mill) const { return local_.addMSecs(Mill_Difference(mill, mill_)); }

private:
  int32_t mill_;
  QDateTime local_;
  const Clock* before_;
};

struct Demo_Options {
  Synthetic_Crossings crossings = Synthetic_Camera::Default_Crossings;
  double speed = Synthetic_Camera::Default_Speed;
  int32_t delay_ms = 0;
  int32_t width = 400;
  int32_t height = 880;
  int32_t from_ms = 28000;
  int32_t to_ms = 31500;
  int32_t rate = 25; // frames per second: 25 interlaced, 50 or 100 progressive
};

QString Parse_Options(const QHash<QString, QString>& v, Demo_Options& o) {
  bool ok = true;
  if (v.contains(QStringLiteral("--crossings"))) {
    const auto c = Parse_Crossings(v.value(QStringLiteral("--crossings")));
    if (!c) return QStringLiteral("--crossings takes six times in ms or -, joined by commas");
    o.crossings = *c;
  }
  if (v.contains(QStringLiteral("--speed"))) {
    o.speed = v.value(QStringLiteral("--speed")).toDouble(&ok);
    if (!ok || !(o.speed > 0) || o.speed > 100) return QStringLiteral("--speed takes pixels per ms above 0");
  }
  if (v.contains(QStringLiteral("--video-delay"))) {
    o.delay_ms = v.value(QStringLiteral("--video-delay")).toInt(&ok);
    if (!ok || o.delay_ms < 0 || o.delay_ms > 10000) return QStringLiteral("--video-delay takes 0..10000 ms");
  }
  if (v.contains(QStringLiteral("--crop"))) {
    const auto m =
        QRegularExpression(QStringLiteral("^(\\d{1,5})[xX](\\d{1,5})$")).match(v.value(QStringLiteral("--crop")));
    if (!m.hasMatch()) return QStringLiteral("--crop takes WxH");
    o.width = m.captured(1).toInt();
    o.height = m.captured(2).toInt();
    if (o.width < 16 || o.height < 16 || o.width > Synthetic_Camera::Width || o.height > Synthetic_Camera::Height)
      return QStringLiteral("--crop sides must be 16..1920 and 16..1080");
  }
  for (const auto& [key, target] :
       {std::pair{QStringLiteral("--from"), &o.from_ms}, {QStringLiteral("--to"), &o.to_ms}}) {
    if (!v.contains(key)) continue;
    *target = v.value(key).toInt(&ok);
    if (!ok || std::abs(*target) > Longest_Part_Ms) return key + QStringLiteral(" takes ms after the start");
  }
  if (v.contains(QStringLiteral("--rate"))) {
    o.rate = v.value(QStringLiteral("--rate")).toInt(&ok);
    if (!ok || !Synthetic_Camera::Format_Of_Rate(o.rate)) return QStringLiteral("--rate takes 25, 50 or 100");
  }
  if (o.to_ms <= o.from_ms) return QStringLiteral("--to must be after --from");
  if ((int64_t{o.to_ms} - o.from_ms) * o.rate / 1000 + 1 > qn3::Max_Frames)
    return QStringLiteral("--from to --to holds more frames than a recording can");
  return {};
}

} // namespace

Demo_Outcome Demo(const QStringList& positional, const QHash<QString, QString>& values, QTextStream& out,
                  QTextStream& err) {
  if (positional.size() != 1) return {Exit_Usage, QStringLiteral("demo takes one OUT.qn3")};
  Demo_Options o;
  if (const QString why = Parse_Options(values, o); !why.isEmpty()) return {Exit_Usage, why};
  const QString path = positional[0];
  if (QFileInfo::exists(path)) {
    err << "doravent-qn3: " << path << " exists; a recording is never overwritten\n";
    return {Exit_Bad_File, {}};
  }
  const Program_Info& delays = Setting_Delays();

  Demo_Clock clock;
  auto camera_owner = std::make_unique<Synthetic_Camera>();
  Synthetic_Camera* camera = camera_owner.get();
  camera->set_Crossings(o.crossings);
  camera->set_Speed(o.speed);
  camera->set_Video_Delay(o.delay_ms);
  camera->set_Stepped(true);
  std::vector<std::unique_ptr<Capture_Device>> devices;
  devices.push_back(std::move(camera_owner));
  Frame_List frames;
  cls_Capture_HDMI source(std::make_unique<Capture_Component>(std::move(devices)), frames);
  if (!source.Use_Source(1, Synthetic_Camera::Format_Of_Rate(o.rate).value_or(0), false)) {
    err << "doravent-qn3: the synthetic camera does not answer\n";
    return {Exit_Bad_File, {}};
  }
  source.set_HDMI_Crop(o.width, o.height);
  source.set_MaxFrames(0);
  source.set_Do_CROP(true);
  source.Capture_Run();
  if (!source.Running()) return {Exit_Bad_File, {}};

  // The race zero falls so that the captured part starts after the lead-in.
  const int32_t t0 = camera->Stream_Start();
  const auto zero = static_cast<int32_t>(static_cast<uint32_t>(t0) + static_cast<uint32_t>(Lead_In_Ms) -
                                         static_cast<uint32_t>(o.from_ms));
  camera->Set_Physical_Start(zero);
  // The demo's kit is as quick as can be: the LED lights at the start itself.
  camera->Set_Led(true, zero);

  cls_VideoFile_handler recording;
  bool prepared = false;
  int32_t kept = 0;
  for (int32_t k = 0;; ++k) {
    const int32_t t = camera->Sample_Time(k);
    const int32_t since_zero = Mill_Difference(t, zero);
    if (since_zero > o.to_ms) break;
    clock.Move_To(t);
    const bool capture = since_zero >= o.from_ms;
    if (capture && !prepared) {
      // What "Initiate file" and the start signal store, in the order the heat takes them.
      Heat_Recording_Setup setup;
      setup.file_name = path;
      setup.running_fps = static_cast<int16_t>(std::lround(source.Running_Fps()));
      setup.crop_width = o.width;
      setup.crop_height = o.height;
      // Both lines on the painted finish, picture column 960, as the crop shows it.
      const int32_t line_x = Synthetic_Camera::Finish_Column - source.Crop_Left();
      setup.goal_finish = Format_Goal_Line(line_x, 1, line_x, o.height - 2);
      setup.goal_split = setup.goal_finish;
      setup.event_file = true;
      setup.event = QStringLiteral("Demo");
      setup.heat_id = QStringLiteral("1");
      setup.heat_name = QStringLiteral("Demo heat");
      setup.dog_names = {QStringLiteral("Red"),   QStringLiteral("Blue"),   QStringLiteral("White"),
                         QStringLiteral("Black"), QStringLiteral("Orange"), QStringLiteral("Stripe")};
      setup.box_delay_ms = delays.Box_Delay_Ms;
      setup.goal_delay_ms = o.delay_ms; // the camera's delay is the goal camera's compensation
      setup.split_delay_ms = delays.Split_Delay_Ms;
      setup.capture_name = source.Current_FriendlyName();
      setup.capture_format = source.Current_PropertyString();
      setup.ten_frames_ms = source.HDMI_10_mill();
      setup.fields = source.Source_Field_Timing();
      const QDateTime start = clock.Local_At(zero);
      if (!Prepare_Heat_Recording(recording, setup) ||
          !Stamp_Heat_Start(recording, zero, start.time().msecsSinceStartOfDay(), start)) {
        err << "doravent-qn3: cannot create " << path << "\n";
        return {Exit_Bad_File, {}};
      }
      recording.set_Dora_Heat_Length(QStringLiteral("480"));
      recording.Write_XML_Header();
      recording.Close_File();
      prepared = true;
      source.set_Post_linear(true);
    }
    camera->Step();
    if (capture) {
      source.Store_HDMI_Buffer(source.Last_Stamp());
      ++kept;
    }
  }
  source.set_Post_linear(false);
  source.Stop_Capture();
  if (!prepared || frames.Count() != kept) {
    err << "doravent-qn3: kept " << frames.Count() << " of " << kept << " frames\n";
    return {Exit_Bad_File, {}};
  }
  std::vector<int32_t> order;
  for (int32_t i = 1; i <= source.Buff_Num(); ++i)
    order.push_back(source.Effective_Video_Object(i));
  int32_t written = 0;
  try {
    written = recording.Append_Frames(frames, {}, order);
  } catch (...) {
    written = 0;
  }
  frames.Remove_All();
  if (written != kept) {
    err << "doravent-qn3: wrote " << written << " of " << kept << " frames to " << path << "\n";
    return {Exit_Bad_File, {}};
  }
  out << "wrote " << written << " frames of " << o.width << "x" << o.height << " to " << path << "\n";
  return {Exit_Ok, {}};
}

} // namespace qn3_tool
