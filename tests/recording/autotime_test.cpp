// The finish proposals and the delay calibration against the synthetic camera's truth, through
// the commands as the operator runs them: heats of varied crossings, speeds and delays recorded
// as JPEG at the program's quality.
#include "mock/scripted_prompts.h"
#include "qn3_tool_run.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>
#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <optional>

namespace {

struct Heat {
  const char* crossings; // ms after the start, "-" for a box that does not finish
  double speed;          // px per ms
  int32_t delay_ms;
  int32_t rate = 25; // frames per second: 25 interlaced, 50 and 100 progressive
};

// Varied on purpose: crossings on the fields' instants and between them, the white jacket over
// the white line, stripes before black, dead heats, finishes 5 ms apart, boxes not finishing,
// 1 to 4 px per ms and delays from 0 to 200 ms.
const Heat Heats[] = {
    {"29203,29411,29607,29815,30009,30213", 2, 0},
    {"1400,1460,1520,1580,1640,1700", 2, 0},       // every crossing on a field's instant
    {"7764,8009,7776,8153,-,7921", 1, 120},        // white on a field's instant at 1 px per ms
    {"5000,5000,5100,5200,5300,5400", 3, 37},      // dead heat of 1 and 2
    {"8000,8005,8010,8100,8105,8200", 2, 60},      // 5 ms apart
    {"-,2000,2100,-,2300,2400", 4, 120},           // two do not finish
    {"3000,3100,3200,3400,3300,3150", 4, 0},       // stripes (6) before black (4)
    {"24508,24139,24047,24531,24342,-", 2, 120},   // white at a field's instant
    {"20136,20577,20092,20225,20468,20092", 3, 0}, // 3 and 6 in a dead heat
    {"16704,16884,16755,16821,16754,-", 2, 200},
    {"12001,12013,12027,12039,12041,12059", 1, 0},
    {"12001,12013,12027,12039,12041,12059", 4, 0},
    {"4444,4321,4567,4210,4399,4488", 1.5, 17},
    {"9990,9995,10000,10005,10010,10015", 2.5, 200},
    {"15000,15000,15000,15005,15005,15005", 3.7, 80},
    {"2222,-,-,-,-,-", 1, 0},
    {"-,-,-,-,-,6100", 4, 199},
    {"30000,29800,29600,29400,29200,29000", 1, 60},
    {"18007,18250,18333,18419,18502,18580", 3, 140},
    {"26531,26377,26260,26472,26262,26590", 3, 37},
    {"10110,10130,10150,10170,10190,10210", 2, 100},
    {"7001,7019,7039,7041,7059,7079", 3.3, 20},
    {"29203,29411,29607,29815,30009,30213", 2, 0, 50},
    {"5000,5000,5100,5200,5300,5400", 3, 37, 50},
    {"7764,8009,7776,8153,-,7921", 1, 120, 50},
    {"29203,29411,29607,29815,30009,30213", 2, 0, 100},
    {"9990,9995,10000,10005,10010,10015", 2.5, 200, 100},
    {"-,2000,2100,-,2300,2400", 4, 120, 100},
};

struct Autotime : ::testing::Test {
  QTemporaryDir dir;
  Prompts_Guard prompts;
};

TEST_F(Autotime, FieldsExactAndInterpolatedWithinThreeMs) {
  int32_t found = 0, heat_number = 0;
  for (const Heat& heat : Heats) {
    ++heat_number;
    const QStringList parts = QString::fromLatin1(heat.crossings).split(',');
    std::array<std::optional<int32_t>, 6> truth;
    int32_t first = INT32_MAX, last = INT32_MIN;
    for (int b = 0; b < 6; ++b) {
      if (parts[b] == "-") continue;
      truth[static_cast<size_t>(b)] = parts[b].toInt();
      first = std::min(first, parts[b].toInt());
      last = std::max(last, parts[b].toInt());
    }
    const int32_t from = first - 400, to = last + 400;
    const QString path = dir.filePath(QStringLiteral("heat%1.qn3").arg(heat_number));
    const Outcome demo = Run_Tool({"demo", path, "--crossings", heat.crossings, "--speed", QString::number(heat.speed),
                                   "--video-delay", QString::number(heat.delay_ms), "--from", QString::number(from),
                                   "--to", QString::number(to), "--rate", QString::number(heat.rate)});
    ASSERT_EQ(demo.status, 0) << demo.err.toStdString();
    const Outcome o = Run_Tool({"autotime", path, "--json"});
    ASSERT_EQ(o.status, 0) << o.err.toStdString();
    const QJsonArray proposals = QJsonDocument::fromJson(o.out.toUtf8()).array();
    ASSERT_EQ(proposals.size(), 6);
    std::array<double, 6> instant{};
    for (const QJsonValue& v : proposals) {
      const QJsonObject p = v.toObject();
      const QStringList names = p.keys();
      const QSet<QString> keys(names.begin(), names.end());
      EXPECT_EQ(keys,
                (QSet<QString>{"box", "found", "frame", "field", "time_ms", "interpolated_ms", "uncertainty_ms"}));
      const int box = p["box"].toInt();
      ASSERT_GE(box, 1);
      ASSERT_LE(box, 6);
      const auto& t = truth[static_cast<size_t>(box - 1)];
      const std::string where = "heat " + std::to_string(heat_number) + " box " + std::to_string(box);
      ASSERT_EQ(p["found"].toBool(), t.has_value()) << where;
      if (!t) continue;
      ++found;
      // The first picture at or past the crossing: the camera's pictures come every 20 ms from
      // `from` (fields at 25, frames at 50) or every 10 (frames at 100), its delay later than the
      // scene.
      const bool interlaced = heat.rate == 25;
      const int32_t interval = interlaced ? 20 : 1000 / heat.rate;
      const int32_t k = static_cast<int32_t>(std::ceil((*t + heat.delay_ms - from) / double(interval)));
      EXPECT_EQ(p["field"].toInt(), k + 1) << where;
      EXPECT_EQ(p["frame"].toInt(), interlaced ? k / 2 + 1 : k + 1) << where;
      EXPECT_EQ(p["time_ms"].toInt(), from + interval * k + 2 - heat.delay_ms) << where;
      EXPECT_GE(p["time_ms"].toInt(), *t + 2) << where;
      EXPECT_LE(p["time_ms"].toInt(), *t + 1 + interval) << where;
      instant[static_cast<size_t>(box - 1)] = p["interpolated_ms"].toDouble();
      EXPECT_NEAR(p["interpolated_ms"].toDouble(), *t, 3.0) << where;
      EXPECT_GT(p["uncertainty_ms"].toDouble(), 0) << where;
      EXPECT_LE(p["uncertainty_ms"].toDouble(), 3.0) << where;
    }
    // Never swapped: an earlier crossing is never proposed later.
    for (size_t a = 0; a < 6; ++a)
      for (size_t b = 0; b < 6; ++b)
        if (truth[a] && truth[b] && *truth[a] < *truth[b]) {
          EXPECT_LE(instant[a], instant[b]) << "heat " << heat_number << " boxes " << a + 1 << " " << b + 1;
        }
  }
  EXPECT_GT(found, 100);
}

TEST_F(Autotime, NoticesWhatItCannotRead) {
  EXPECT_EQ(Run_Tool({"autotime", dir.filePath("missing.qn3")}).status, 1);
  EXPECT_EQ(Run_Tool({"autotime"}).status, 2);
  EXPECT_EQ(Run_Tool({"autotime", "a", "b"}).status, 2);
  EXPECT_EQ(Run_Tool({"autotime", "a", "--led", "1,2,3,4"}).status, 2);
  EXPECT_EQ(Run_Tool({"slit", "a"}).status, 2);
  EXPECT_EQ(Run_Tool({"slit", "a", "b.jpg"}).status, 2);
  EXPECT_EQ(Run_Tool({"calibrate", "a"}).status, 2); // no LED place
  // The plain output names every box; a box without a runner is "not found".
  const QString path = dir.filePath("one.qn3");
  ASSERT_EQ(Run_Tool({"demo", path, "--crossings", "2222,-,-,-,-,-", "--from", "1800", "--to", "2600"}).status, 0);
  const Outcome plain = Run_Tool({"autotime", path});
  ASSERT_EQ(plain.status, 0);
  const QStringList lines = plain.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 7);
  EXPECT_TRUE(lines[1].startsWith("1,")) << lines[1].toStdString();
  EXPECT_EQ(lines[2], "2,not found");
}

TEST_F(Autotime, CalibrationFindsTheFirstLitField) {
  for (int32_t delay : {0, 20, 37, 60, 99, 120, 161, 200}) {
    const QString path = dir.filePath(QStringLiteral("led%1.qn3").arg(delay));
    ASSERT_EQ(Run_Tool({"demo", path, "--video-delay", QString::number(delay), "--from", "-200", "--to", "400"}).status,
              0);
    // The LED square, picture columns 1100-1139 and rows 860-899, in the 400 x 880 crop.
    const Outcome o = Run_Tool({"calibrate", path, "--led", "340,760,40,40", "--json"});
    ASSERT_EQ(o.status, 0) << o.err.toStdString();
    const QJsonObject r = QJsonDocument::fromJson(o.out.toUtf8()).object();
    // Fields every 20 ms from 200 ms before the start; the LED is seen lit from the delay on.
    const int32_t k = (delay + 200 + 19) / 20;
    EXPECT_EQ(r["field"].toInt(), k + 1) << delay;
    EXPECT_EQ(r["delay_ms"].toInt(), -200 + 20 * k) << delay;
    EXPECT_GE(r["delay_ms"].toInt(), delay);
    EXPECT_LT(r["delay_ms"].toInt(), delay + 20);
  }
  const QString path = dir.filePath("led60.qn3");
  // Turf where the LED was said to be, and a recording begun after the LED lit.
  EXPECT_EQ(Run_Tool({"calibrate", path, "--led", "10,600,20,20"}).status, 1);
  const QString late = dir.filePath("late.qn3");
  ASSERT_EQ(Run_Tool({"demo", late, "--video-delay", "60", "--from", "100", "--to", "400"}).status, 0);
  const Outcome o = Run_Tool({"calibrate", late, "--led", "340,760,40,40"});
  EXPECT_EQ(o.status, 1);
  EXPECT_TRUE(o.err.contains("before the start")) << o.err.toStdString();
  EXPECT_EQ(Run_Tool({"calibrate", path, "--led", "5000,5000,10,10"}).status, 1);
}

} // namespace
