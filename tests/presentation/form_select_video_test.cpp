#include "presentation/form_select_video.h"

#include "capture/capture_hdmi.h"
#include "mock/fake_clock.h"
#include "mock/recorded_errors.h"
#include "mock/scripted_prompts.h"
#include "platform/program_info.h"
#include "platform/settings.h"
#include "platform/twips.h"
#include "recording/frame_buffers.h"
#include "scripted_cameras.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <linux/videodev2.h>
#include <stdexcept>

namespace {

using Row = Video_Source_Row;

const QString Grabber_A = QStringLiteral("Grabber A (usb-1)");
const QString Grabber_B = QStringLiteral("Grabber B (usb-2)");
const QString Synthetic = QStringLiteral("Synthetic camera");

// A camera whose format list cannot be read.
class Broken_Camera final : public Capture_Device {
public:
  QString Friendly_Name() const override { return QStringLiteral("Broken"); }
  QString Device_Path() const override { return QStringLiteral("/fake/broken"); }
  QString Description() const override { return QStringLiteral("broken"); }
  std::vector<Video_Format> Formats() const override { throw std::runtime_error("format list unreadable"); }
  bool Set_Format(int32_t, QString&) override { return false; }
  std::optional<Video_Format> Current_Format() const override { return std::nullopt; }
  bool Limit_Fps(int32_t, QString&) override { return false; }
  int64_t Min_Interval_100ns() const override { return 0; }
  int64_t Max_Interval_100ns() const override { return 0; }
  bool Start(Video_Cap_Events&, QString&) override { return false; }
  void Stop() override {}
  bool Streaming() const override { return false; }
  int64_t Dropped_Frames() const override { return 0; }
};

struct Select_Video : ::testing::Test {
  Prompts_Guard prompts;
  Recorded_Errors errors;
  Fake_Clock clock;
  QTemporaryDir dir;
  Scripted_Cameras cams;

  void SetUp() override {
    program() = Program_Info{};
    program().Settings_File_Path = dir.filePath(QStringLiteral("Doravent_HDMI.ini"));
    program().Computer_Name = QStringLiteral("FINISH-PC");
    // Twelve formats, 0 to 3 alike (four pixel formats of one size and rate).
    Fake_V4l2_Camera a;
    a.card = "Grabber A";
    a.bus_info = "usb-1";
    a.formats = {{V4L2_PIX_FMT_YUYV, {{1920, 1080, {{1, 25}}}}},
                 {V4L2_PIX_FMT_UYVY, {{1920, 1080, {{1, 25}}}}},
                 {V4L2_PIX_FMT_NV12, {{1920, 1080, {{1, 25}}}}},
                 {V4L2_PIX_FMT_MJPEG,
                  {{1920, 1080, {{1, 25}, {1, 30}, {1, 50}}},
                   {1280, 720, {{1, 25}, {1, 30}, {1, 50}, {1, 60}}},
                   {720, 576, {{1, 25}, {1, 50}}}}}};
    cams.Add(a);
    // Begins with A's last description; repeats one after another description; ends with a pair.
    Fake_V4l2_Camera b;
    b.card = "Grabber B";
    b.bus_info = "usb-2";
    b.formats = {{V4L2_PIX_FMT_RGB24, {{720, 576, {{1, 50}}}, {1280, 720, {{1, 25}}}}},
                 {V4L2_PIX_FMT_BGR24, {{720, 576, {{1, 50}}}, {1280, 720, {{1, 25}}}}},
                 {V4L2_PIX_FMT_YUYV, {{1280, 720, {{1, 25}}}}}};
    cams.Add(b);
  }

  std::unique_ptr<Form_select_Video> Make() { return std::make_unique<Form_select_Video>(cams.Factory()); }
  void Save(const QString& name, const QString& property) {
    Write_Ini_Value(QStringLiteral("capturesettings"), QStringLiteral("friendlyname"), name,
                    program().Settings_File_Path);
    Write_Ini_Value(QStringLiteral("capturesettings"), QStringLiteral("videoproperty"), property,
                    program().Settings_File_Path);
  }
  static QString Setting(const QString& section, const QString& key) {
    return Read_Ini_Value(section, key, program().Settings_File_Path, QStringLiteral("unset"));
  }
  static QTreeWidgetItem* Row_Of(Form_select_Video& w, const QString& name, int property) {
    for (int i = 0; i < w.ListView_prop->topLevelItemCount(); ++i) {
      QTreeWidgetItem* r = w.ListView_prop->topLevelItem(i);
      if (r->text(1) == name && r->text(2).toInt() == property) return r;
    }
    return nullptr;
  }
  static void Click(Form_select_Video& w, QTreeWidgetItem* row) {
    ASSERT_NE(row, nullptr);
    w.show();
    w.ListView_prop->scrollToItem(row);
    const QRect cell = w.ListView_prop->visualItemRect(row);
    QTest::mouseClick(w.ListView_prop->viewport(), Qt::LeftButton, {}, cell.center());
  }
};

TEST_F(Select_Video, ListsEveryDeviceWithRunsOfOneDescriptionOnce) {
  auto w = Make();
  EXPECT_EQ(w->windowTitle(), "Select HDMI Video Source");
  EXPECT_EQ(w->ListView_prop->topLevelItemCount(), 0);
  EXPECT_EQ(w->Label_selected_friendly->text(), ""); // nothing saved yet
  QTest::mouseClick(w->Command_enum2, Qt::LeftButton);
  // Every mode once, with its pixel format: MJPEG 1920*1080/25 is a choice of its own.
  const std::vector<Row> expected{{1, Grabber_A, 0, "1920*1080/25", "YUYV"},
                                  {1, Grabber_A, 1, "1920*1080/25", "UYVY"},
                                  {1, Grabber_A, 2, "1920*1080/25", "NV12"},
                                  {1, Grabber_A, 3, "1920*1080/25", "MJPEG"},
                                  {1, Grabber_A, 4, "1920*1080/30", "MJPEG"},
                                  {1, Grabber_A, 5, "1920*1080/50", "MJPEG"},
                                  {1, Grabber_A, 6, "1280*720/25", "MJPEG"},
                                  {1, Grabber_A, 7, "1280*720/30", "MJPEG"},
                                  {1, Grabber_A, 8, "1280*720/50", "MJPEG"},
                                  {1, Grabber_A, 9, "1280*720/60", "MJPEG"},
                                  {1, Grabber_A, 10, "720*576/25", "MJPEG"},
                                  {1, Grabber_A, 11, "720*576/50", "MJPEG"},
                                  {2, Grabber_B, 0, "720*576/50", "RGB24"},
                                  {2, Grabber_B, 1, "1280*720/25", "RGB24"},
                                  {2, Grabber_B, 2, "720*576/50", "BGR24"},
                                  {2, Grabber_B, 3, "1280*720/25", "BGR24"},
                                  {2, Grabber_B, 4, "1280*720/25", "YUYV"},
                                  {3, Synthetic, 0, "1920*1080/25", "BGR24 bottom-up"},
                                  {3, Synthetic, 1, "1920*1080/50", "BGR24 bottom-up"},
                                  {3, Synthetic, 2, "1920*1080/100", "BGR24 bottom-up"}};
  const std::vector<Row> rows = w->Rows();
  ASSERT_EQ(rows.size(), expected.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i], expected[i]) << i << ": " << rows[i].friendly_name.toStdString() << " "
                                    << rows[i].property_number << " " << rows[i].property.toStdString();
  }
  EXPECT_TRUE(errors.reports.empty());
  // The component was the window's own, and it let go of the devices.
  EXPECT_EQ(cams.components_made, 1);
  EXPECT_EQ(cams.io.Open_Devices(), 0);

  // The columns, their keys and widths.
  const QTreeWidgetItem* header = w->ListView_prop->headerItem();
  const struct {
    const char* key;
    const char* caption;
    int twips;
  } columns[] = {{"srcnum", "Sn", 400},
                 {"source", "Video Source", 3500},
                 {"propnum", "Pn", 400},
                 {"prop", "Properties", 2000},
                 {"pixfmt", "Pixel format", 1200}};
  ASSERT_EQ(w->ListView_prop->columnCount(), 5);
  for (int c = 0; c < 5; ++c) {
    EXPECT_EQ(header->text(c), columns[c].caption);
    EXPECT_EQ(header->data(c, Qt::UserRole).toString(), columns[c].key);
    if (c < 4) {
      EXPECT_EQ(w->ListView_prop->columnWidth(c), Twips_To_Pixels(columns[c].twips)) << c;
    }
  }
  // The pixel format column is widened to its longest name, never cut.
  EXPECT_GE(w->ListView_prop->columnWidth(4),
            w->ListView_prop->fontMetrics().horizontalAdvance(QStringLiteral("BGR24 bottom-up")));

  // Enumerating again replaces the rows.
  w->Command_enum2_Click();
  EXPECT_EQ(w->Rows().size(), expected.size());
  EXPECT_EQ(cams.components_made, 2);
}

TEST_F(Select_Video, SavedChoiceIsSelectedAndMarkedBlue) {
  const struct {
    const char* name; // nullptr: nothing saved
    const char* property;
    int marked_row; // -1: none
  } cases[] = {
      {nullptr, nullptr, -1},        {"Grabber B (usb-2)", "2", 14},
      {"Grabber A (usb-1)", "0", 0}, {"Grabber A (usb-1)", "2", 2}, // another pixel format: a row of its own
      {"Grabber A", "0", -1},                                       // the name must match whole
      {"Synthetic camera", "0", 17}, {"Synthetic camera", "x", -1},
  };
  for (const auto& c : cases) {
    QFile::remove(program().Settings_File_Path);
    if (c.name) Save(QString::fromLatin1(c.name), QString::fromLatin1(c.property));
    auto w = Make();
    w->Command_enum2_Click();
    for (int i = 0; i < w->ListView_prop->topLevelItemCount(); ++i) {
      const QTreeWidgetItem* r = w->ListView_prop->topLevelItem(i);
      const bool marked = i == c.marked_row;
      EXPECT_EQ(r->isSelected(), marked) << (c.name ? c.name : "-") << " row " << i;
      EXPECT_EQ(r->foreground(1).color() == QColor(0, 0, 255), marked) << (c.name ? c.name : "-") << " row " << i;
    }
    if (c.marked_row >= 0) {
      EXPECT_EQ(w->ListView_prop->currentItem(), w->ListView_prop->topLevelItem(c.marked_row));
    }
    // Marking the saved row is not choosing one.
    EXPECT_FALSE(w->Selected());
  }
}

TEST_F(Select_Video, ChoosingARowRemembersItAndSelectDoneNeedsAChoice) {
  auto w = Make();
  w->Command_enum2_Click();
  w->show();
  // "Select Done" before a choice: the message, and the window stays.
  QTest::mouseClick(w->Command_select_done, Qt::LeftButton);
  EXPECT_EQ(prompts->messages(), QStringList{"No video source selected!"});
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(Setting(QStringLiteral("capture"), QStringLiteral("videoformat")), "unset");

  Click(*w, Row_Of(*w, Grabber_B, 3));
  EXPECT_TRUE(w->Selected());
  EXPECT_EQ(w->Label_selected_friendly->text(), Grabber_B);
  EXPECT_EQ(w->Label_video_source->text(), "2");
  EXPECT_EQ(w->Label_property_num->text(), "3");
  EXPECT_EQ(w->Label_property_string->text(), "1280*720/25");
  EXPECT_EQ(Setting(QStringLiteral("capturesettings"), QStringLiteral("friendlyname")), Grabber_B);
  EXPECT_EQ(Setting(QStringLiteral("capturesettings"), QStringLiteral("videoproperty")), "3");

  QTest::mouseClick(w->Command_select_done, Qt::LeftButton);
  EXPECT_FALSE(w->isVisible());
  EXPECT_FALSE(w->Was_Cancelled());
  EXPECT_EQ(prompts->messages().size(), 1);
  EXPECT_EQ(Setting(QStringLiteral("capture"), QStringLiteral("videoformat")), "2");

  // The capture source finds exactly what was chosen, limited to 25 fps when the box says so.
  EXPECT_EQ(w->Check_25_fps->text(), "Limit capture to 25 fps");
  EXPECT_FALSE(w->Limit_Capture_25());
  w->Check_25_fps->setChecked(true);
  EXPECT_TRUE(w->Limit_Capture_25());
  Frame_List frames;
  {
    cls_Capture_HDMI source(cams.Make(), frames);
    ASSERT_TRUE(source.Set_Source_from_Saved(w->Limit_Capture_25()));
    EXPECT_EQ(source.Source_Number(), 2);
    EXPECT_EQ(source.Current_PropertyString(), "1280*720/25");
    EXPECT_EQ(cams.io.Set_Fourcc("/fake/video1"), static_cast<uint32_t>(V4L2_PIX_FMT_BGR24));
    EXPECT_EQ(cams.io.Set_Interval("/fake/video1"), (std::pair<uint32_t, uint32_t>{1, 25}));
  }
  // A 50 f/s mode runs at 25 with the box checked, at 50 without.
  for (const bool limit : {true, false}) {
    Save(Grabber_B, QStringLiteral("2"));
    cls_Capture_HDMI source(cams.Make(), frames);
    ASSERT_TRUE(source.Set_Source_from_Saved(limit));
    EXPECT_EQ(source.Current_PropertyString(), limit ? "720*576/25" : "720*576/50");
    EXPECT_EQ(cams.io.Set_Interval("/fake/video1"), (std::pair<uint32_t, uint32_t>{1, limit ? 25U : 50U}));
  }
  Save(Grabber_B, QStringLiteral("3"));

  // A new window shows the remembered choice; "Cancel" hides it and says so.
  auto again = Make();
  EXPECT_EQ(again->Label_selected_friendly->text(), Grabber_B);
  EXPECT_EQ(again->Label_property_num->text(), "3");
  again->show();
  QTest::mouseClick(again->Command_Cancel, Qt::LeftButton);
  EXPECT_TRUE(again->Was_Cancelled());
  EXPECT_FALSE(again->isVisible());
  EXPECT_EQ(Setting(QStringLiteral("capturesettings"), QStringLiteral("friendlyname")), Grabber_B);
}

TEST_F(Select_Video, ListGoesToTheClipboardWithItsHeading) {
  auto w = Make();
  w->Command_enum2_Click();
  w->Iter2();
  const QString text = QGuiApplication::clipboard()->text();
  const QStringList lines = text.split(QStringLiteral("\r\n"));
  ASSERT_EQ(lines.size(), 2 + 20 + 1) << text.toStdString();
  EXPECT_EQ(lines[0], "Video source enumeration at 2026-05-17 14:30:00");
  EXPECT_EQ(lines[1], "Program version Doravent_HDMI " DORAVENT_VERSION " Computer name FINISH-PC");
  EXPECT_EQ(lines[2], "1  Grabber A (usb-1)  0  1920*1080/25  YUYV");
  EXPECT_EQ(lines[5], "1  Grabber A (usb-1)  3  1920*1080/25  MJPEG");
  EXPECT_EQ(lines[19], "3  Synthetic camera  0  1920*1080/25  BGR24 bottom-up");
  EXPECT_EQ(lines[21], "3  Synthetic camera  2  1920*1080/100  BGR24 bottom-up");
  EXPECT_EQ(lines[22], ""); // every line ends with a line break
  EXPECT_EQ(text, w->List_Text());

  w->resize(500, 400);
  w->show();
  w->item_form_capture_Click();
  const QImage picture = QGuiApplication::clipboard()->image();
  EXPECT_EQ(picture.size(), w->size() * picture.devicePixelRatio());
}

TEST_F(Select_Video, AltOnTheFormMenuShowsAndHidesDebug) {
  auto w = Make();
  QAction* debug = w->Debug_Menu()->menuAction();
  EXPECT_FALSE(debug->isVisible());
  const struct {
    Qt::KeyboardModifiers held;
    bool visible_after;
  } steps[] = {{Qt::NoModifier, false},
               {Qt::AltModifier, true},
               {Qt::ControlModifier, true},
               {Qt::AltModifier | Qt::ShiftModifier, false}};
  for (const auto& s : steps) {
    w->menu_form_Click(s.held);
    EXPECT_EQ(debug->isVisible(), s.visible_after);
  }
  for (const char* name : {"item_get_intervals", "item_list_clipboard", "item_show_friendly", "item_form_capture"})
    EXPECT_NE(w->item(QString::fromLatin1(name)), nullptr) << name;
  EXPECT_EQ(w->item(QStringLiteral("item_list_clipboard"))->text(), "List contents to ClipBoard");
}

TEST_F(Select_Video, DebugCommandsReadTheChoiceBack) {
  auto w = Make();
  w->item_get_intervals_Click();
  EXPECT_EQ(prompts->messages().last(), "No video source selected!");
  w->Command_enum2_Click();
  w->ListView_prop->setCurrentItem(Row_Of(*w, Grabber_A, 6));
  w->item_get_intervals_Click();
  // 1280 x 720 offers 1/25 to 1/60 of a second.
  EXPECT_TRUE(prompts->messages().last().contains("MinInterval = 166666\nMaxInterval = 400000"))
      << prompts->messages().last().toStdString();
  Save(Synthetic, QStringLiteral("0"));
  w->item_show_friendly_Click();
  EXPECT_EQ(prompts->messages().last(), "friendlyname = Synthetic camera\nvideoproperty = 0");
  EXPECT_TRUE(errors.reports.empty());
}

TEST_F(Select_Video, FailingEnumerationIsReportedAndKeepsTheRowsSoFar) {
  // No component at all.
  Form_select_Video none([] { return std::unique_ptr<Capture_Component>(); });
  none.Command_enum2_Click();
  ASSERT_EQ(errors.reports.size(), 1U);
  EXPECT_EQ(errors.reports[0].location, "Do_Enum of Form Form_select_Video");
  EXPECT_EQ(none.ListView_prop->topLevelItemCount(), 0);

  // The second device fails while its formats are read: the first device's rows stay.
  Form_select_Video broken([this] {
    auto devices = Enumerate_V4l2_Devices(cams.io, cams.sys.path(), QStringLiteral("/fake"));
    devices.resize(1);
    devices.push_back(std::make_unique<Broken_Camera>());
    devices.push_back(std::make_unique<Synthetic_Camera>());
    return std::make_unique<Capture_Component>(std::move(devices));
  });
  broken.Command_enum2_Click();
  ASSERT_EQ(errors.reports.size(), 2U);
  EXPECT_EQ(errors.reports[1].location, "Do_Enum of Form Form_select_Video");
  EXPECT_EQ(errors.reports[1].description, "format list unreadable");
  const std::vector<Row> rows = broken.Rows();
  ASSERT_EQ(rows.size(), 12U);
  EXPECT_EQ(rows.back(), (Row{1, Grabber_A, 11, "720*576/50", "MJPEG"}));
}

} // namespace
