#include "timing/goal_line.h"

#include "mock/fake_clock.h"
#include "platform/error_report.h"
#include "platform/program_info.h"
#include "platform/user_folders.h"

#include <QFile>
#include <QImage>
#include <gtest/gtest.h>

namespace {

TEST(GoalHandle, StrictBoundsOnEverySide) {
  const Goal_Line line{100, 200, 300, 400};
  struct Case {
    double x, y;
    int16_t handle;
  };
  const Case cases[] = {
      {100, 200, 1}, {95, 200, 1},  {94, 200, 0},  {105, 200, 1},     {106, 200, 0},      {100, 194, 0},
      {100, 195, 1}, {100, 205, 1}, {100, 206, 0}, {105.9, 205.9, 1}, {94.01, 194.01, 1}, {300, 400, 2},
      {294, 400, 0}, {295, 400, 2}, {306, 406, 0}, {305.5, 394.5, 2}, {200, 300, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Goal_Handle_At(line, c.x, c.y), c.handle) << c.x << "," << c.y;
}

TEST(GoalHandle, OverlappingBoxesGrabPointOne) {
  const Goal_Line close{100, 100, 108, 104};
  EXPECT_EQ(Goal_Handle_At(close, 104, 102), 1);
  EXPECT_EQ(Goal_Handle_At(close, 110, 104), 2); // only in point 2's box
  const Goal_Line same{50, 50, 50, 50};
  EXPECT_EQ(Goal_Handle_At(same, 50, 50), 1);
}

TEST(GoalDrag, CandidateFollowsTheMouseAndStaysStrictlyInside) {
  const Drag_Point start{200, 88};
  struct Case {
    double x, y;
    std::optional<Drag_Point> expected;
  };
  // Pressed at (203, 90) on a 400 x 880 picture.
  const Case cases[] = {
      {213, 100, Drag_Point{210, 98}},
      {3, 90, std::nullopt}, // x = 0
      {4, 90, Drag_Point{1, 88}},
      {-50, 90, std::nullopt}, // beyond the left edge
      {402, 90, Drag_Point{399, 88}},
      {403, 90, std::nullopt}, // x = width
      {203, 2, std::nullopt},  // y = 0
      {203, 881, Drag_Point{200, 879}},
      {203, 882, std::nullopt},           // y = height
      {203.5, 90.5, Drag_Point{200, 88}}, // halves go to even
      {204.5, 91.5, Drag_Point{202, 90}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Drag_Candidate(start, 203, 90, c.x, c.y, 400, 880), c.expected) << c.x << "," << c.y;
}

TEST(GoalDrag, CoordinatesBeyondSixteenBitsOverflow) {
  EXPECT_EQ(Round_To_Int16(32767.4), 32767);
  EXPECT_EQ(Round_To_Int16(-32768.0), -32768);
  EXPECT_EQ(Round_To_Int16(2.5), 2);
  EXPECT_EQ(Round_To_Int16(-3.5), -4);
  for (const double v : {32767.6, -32769.0, 1e12, std::numeric_limits<double>::quiet_NaN()}) {
    try {
      Round_To_Int16(v);
      ADD_FAILURE() << v;
    } catch (const Dora_Error& e) {
      EXPECT_EQ(e.number(), 6);
    }
  }
  EXPECT_THROW(Drag_Candidate({32000, 10}, 0, 0, 1000, 0, 40000, 40000), Dora_Error);
}

TEST(GoalReset, MiddleOfThePictureHalvesToEven) {
  EXPECT_EQ(Reset_Line(400, 880), (Goal_Line{200, 88, 200, 792}));
  EXPECT_EQ(Reset_Line(401, 5), (Goal_Line{200, 0, 200, 4}));   // 200.5, 0.5, 4.5
  EXPECT_EQ(Reset_Line(403, 15), (Goal_Line{202, 2, 202, 14})); // 201.5, 1.5, 13.5
  EXPECT_EQ(Reset_Line(0, 0), (Goal_Line{0, 0, 0, 0}));
}

TEST(GoalDisplacement, CopyAndColours) {
  const Goal_Line line{10, 20, 30, 40};
  EXPECT_EQ(Displaced_Line(line, 7), (Goal_Line{17, 20, 37, 40}));
  EXPECT_EQ(Displaced_Line(line, -12), (Goal_Line{-2, 20, 18, 40}));
  EXPECT_EQ(Displaced_Line(line, 0), line);

  const Colour_Triple white{255, 255, 255}, yellow{0, 255, 255}, pink{255, 100, 255};
  EXPECT_EQ(Goal_Line_Colour(1, false, false), white);
  EXPECT_EQ(Goal_Line_Colour(1, false, true), white);
  EXPECT_EQ(Goal_Line_Colour(1, true, false), white); // copy on the line while the mode is off
  EXPECT_EQ(Goal_Line_Colour(1, true, true), pink);
  EXPECT_EQ(Goal_Line_Colour(2, false, true), yellow);
  EXPECT_EQ(Goal_Line_Colour(2, true, false), yellow);
  EXPECT_EQ(Goal_Line_Colour(2, true, true), pink);

  EXPECT_EQ(Goal_Offset_Step(37), -1);
  EXPECT_EQ(Goal_Offset_Step(100), -1);
  EXPECT_EQ(Goal_Offset_Step(39), 1);
  EXPECT_EQ(Goal_Offset_Step(102), 1);
  EXPECT_EQ(Goal_Offset_Step(38), 0);
  EXPECT_EQ(Goal_Offset_Step(101), 0);
}

TEST(GoalKeys, QtKeysGiveWindowsCodes) {
  struct Case {
    int key;
    Qt::KeyboardModifiers modifiers;
    int32_t code;
  };
  const auto kp = Qt::KeypadModifier;
  const Case cases[] = {
      {Qt::Key_Left, {}, 37},
      {Qt::Key_Right, {}, 39},
      {Qt::Key_Up, {}, 38},
      {Qt::Key_Down, {}, 40},
      {Qt::Key_Right, Qt::ControlModifier, 39},
      {Qt::Key_4, kp, 100},     // Num Lock on
      {Qt::Key_Left, kp, 100},  // Num Lock off
      {Qt::Key_6, kp, 102},     // Num Lock on
      {Qt::Key_Right, kp, 102}, // Num Lock off
      {Qt::Key_Right, kp | Qt::ControlModifier, 102},
      {Qt::Key_0, kp, 96},
      {Qt::Key_9, kp, 105},
      {Qt::Key_Home, kp, 36}, // keypad 7 without Num Lock is Home, as elsewhere
      {Qt::Key_Plus, kp, 107},
      {Qt::Key_4, {}, 52},
      {Qt::Key_A, {}, 65},
      {Qt::Key_G, Qt::ControlModifier, 71},
      {Qt::Key_Z, Qt::ShiftModifier, 90},
      {Qt::Key_F1, {}, 112},
      {Qt::Key_F12, {}, 123},
      {Qt::Key_Return, {}, 13},
      {Qt::Key_Enter, kp, 13},
      {Qt::Key_Escape, {}, 27},
      {Qt::Key_Space, {}, 32},
      {Qt::Key_NumLock, {}, 144},
      {Qt::Key_unknown, {}, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Windows_Key_Code(c.key, c.modifiers), c.code) << std::hex << c.key;
}

TEST(GoalKeys, HookActions) {
  EXPECT_EQ(Hook_Key_Action(100, false), Hook_Action::Goal_Offset);
  EXPECT_EQ(Hook_Key_Action(102, true), Hook_Action::Goal_Offset);
  EXPECT_EQ(Hook_Key_Action(37, false), Hook_Action::Focus_Slider);
  EXPECT_EQ(Hook_Key_Action(37, true), Hook_Action::Focus_Slider);
  EXPECT_EQ(Hook_Key_Action(39, false), Hook_Action::Focus_Slider);
  EXPECT_EQ(Hook_Key_Action(39, true), Hook_Action::None);
  EXPECT_EQ(Hook_Key_Action(38, false), Hook_Action::None);
  EXPECT_EQ(Hook_Key_Action(0, false), Hook_Action::None);
}

TEST(GoalKeys, NotificationsCloserThanTheGapAreIgnored) {
  Fake_Clock clock;
  Key_Gap gap;
  EXPECT_TRUE(gap.Accept(Mill_Now())); // the first always counts
  clock.advance(149);
  EXPECT_FALSE(gap.Accept(Mill_Now()));
  clock.advance(1); // 150 after the last handled one, not after the ignored one
  EXPECT_TRUE(gap.Accept(Mill_Now()));
  clock.advance(100);
  EXPECT_FALSE(gap.Accept(Mill_Now()));
  clock.advance(100);
  EXPECT_TRUE(gap.Accept(Mill_Now()));
  EXPECT_FALSE(gap.Accept(Mill_Now())); // same instant

  // Across the wrap of the millisecond clock.
  clock.mill = std::numeric_limits<int32_t>::max() - 50;
  EXPECT_TRUE(gap.Accept(Mill_Now()));
  clock.advance(100);
  EXPECT_FALSE(gap.Accept(Mill_Now()));
  clock.advance(50);
  EXPECT_TRUE(gap.Accept(Mill_Now()));
}

QImage black(int w, int h, QImage::Format format = QImage::Format_BGR888) {
  QImage image(w, h, format);
  image.fill(Qt::black);
  return image;
}

TEST(GoalDrawing, LinesInTheirColoursAtTheExpectedPixels) {
  for (const QImage::Format format : {QImage::Format_BGR888, QImage::Format_RGB32}) {
    QImage picture = black(20, 20, format);
    Draw_Goal_Line(picture, {0, 10, 5, 10}, Goal_Line_Colour(1, false, false));
    for (int x = 0; x <= 5; ++x) {
      EXPECT_EQ(picture.pixel(x, 9), qRgb(255, 255, 255)) << x;
      EXPECT_EQ(picture.pixel(x, 10), qRgb(255, 255, 255)) << x;
      EXPECT_EQ(picture.pixel(x, 11), qRgb(0, 0, 0)) << x;
      EXPECT_EQ(picture.pixel(x, 8), qRgb(0, 0, 0)) << x;
    }
    EXPECT_EQ(picture.pixel(6, 10), qRgb(0, 0, 0));
    EXPECT_EQ(picture.format(), format);
  }

  QImage split = black(20, 30);
  Draw_Goal_Line(split, {10, 2, 10, 25}, Goal_Line_Colour(2, false, false));
  EXPECT_EQ(split.pixel(9, 12), qRgb(255, 255, 0));
  EXPECT_EQ(split.pixel(10, 12), qRgb(255, 255, 0));
  EXPECT_EQ(split.pixel(11, 12), qRgb(0, 0, 0));
  EXPECT_EQ(split.pixel(10, 1), qRgb(0, 0, 0));

  QImage displaced = black(20, 30);
  Draw_Goal_Line(displaced, Displaced_Line({10, 2, 10, 25}, 3), Goal_Line_Colour(2, true, true));
  EXPECT_EQ(displaced.pixel(13, 12), qRgb(255, 100, 255));
  EXPECT_EQ(displaced.pixel(10, 12), qRgb(0, 0, 0));
}

TEST(GoalDrawing, NothingForEqualPointsOrCoordinatesBeyondSixteenBits) {
  const QImage untouched = black(20, 20);
  QImage picture = untouched;
  Draw_Goal_Line(picture, {5, 5, 5, 5}, {255, 255, 255});
  EXPECT_EQ(picture, untouched);
  EXPECT_THROW(Draw_Goal_Line(picture, {5, 5, 40000, 5}, {255, 255, 255}), Dora_Error);
  EXPECT_THROW(Draw_Goal_Line(picture, {5, -40000, 5, 5}, {255, 255, 255}), Dora_Error);
  EXPECT_EQ(picture, untouched);
}

TEST(GoalDrawing, HollowBlueHandlesRoundBothEnds) {
  QImage picture = black(60, 60);
  Draw_Goalline_Selection_Boxes(picture, {20, 20, 40, 45});
  const QRgb blue = qRgb(0, 0, 255);
  for (const auto& [x, y] : {std::pair{20, 20}, std::pair{40, 45}}) {
    EXPECT_EQ(picture.pixel(x - 6, y), blue);
    EXPECT_EQ(picture.pixel(x, y - 6), blue);
    EXPECT_EQ(picture.pixel(x + 5, y), blue);
    EXPECT_EQ(picture.pixel(x, y + 5), blue);
    EXPECT_EQ(picture.pixel(x, y), qRgb(0, 0, 0)); // not filled
    EXPECT_EQ(picture.pixel(x - 4, y + 2), qRgb(0, 0, 0));
    EXPECT_EQ(picture.pixel(x - 7, y), qRgb(0, 0, 0));
    EXPECT_EQ(picture.pixel(x + 7, y), qRgb(0, 0, 0));
  }
  EXPECT_EQ(picture.format(), QImage::Format_BGR888);
}

TEST(Goal_Line_Text, ParsesFourNumbersAndIgnoresShortOrMalformedText) {
  struct Case {
    QString text;
    std::optional<Goal_Line_Points> expected;
  };
  const Case cases[] = {
      {"1,2,3,4", Goal_Line_Points{1, 2, 3, 4}}, // 7 characters count
      {"1,2,3,", std::nullopt},                  // 6 characters are ignored
      {"N/A", std::nullopt},
      {"", std::nullopt},
      {"960,10,960,1070", Goal_Line_Points{960, 10, 960, 1070}},
      {" 10, 20 ,30,40", Goal_Line_Points{10, 20, 30, 40}},
      {"-5,-6,-7,-8", Goal_Line_Points{-5, -6, -7, -8}},
      {"1,2,3,4,5,6", Goal_Line_Points{1, 2, 3, 4}},
      {"100,200,300", std::nullopt},
      {"a,b,c,d,e", std::nullopt},
      {"1.5,2,3,4", std::nullopt},
      {"1,2,,4444", std::nullopt},
      {"99999999999,1,2,3", std::nullopt},
      {"1;2;3;4;5", std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Parse_Goal_Line(c.text), c.expected) << c.text.toStdString();
  EXPECT_EQ(Format_Goal_Line(960, 10, -1, 1070), "960,10,-1,1070");
}

TEST(Goal_Line_Settings, GoalLinesAreStoredPerCamera) {
  const Program_Info saved = program();
  program().Settings_File_Path = Local_AppData_Folder() + "goal_line_test.ini";
  QFile::remove(program().Settings_File_Path);
  const QString path = program().Settings_File_Path;
  EXPECT_EQ(Read_Goal_Line(1), std::nullopt);
  ASSERT_EQ(Save_Goal_line(1, 960, 10, 962, 1070), 1);
  ASSERT_EQ(Save_Goal_line(2, 100, 0, 100, 879), 1);
  EXPECT_EQ(Read_Goal_Line(1), (Goal_Line_Points{960, 10, 962, 1070}));
  EXPECT_EQ(Read_Goal_Line(2), (Goal_Line_Points{100, 0, 100, 879}));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray text = file.readAll();
  EXPECT_TRUE(text.contains("[Goal_lines]\nGoal_line1=960,10,962,1070\nGoal_line2=100,0,100,879")) << text.data();
  program() = saved;
}

} // namespace
