#include "presentation/results_form.h"

#include "metadata/xml_header.h"
#include "mock/pdf_reading.h"
#include "mock/recorded_errors.h"
#include "mock/review_recordings.h"
#include "mock/scripted_prompts.h"
#include "platform/program_info.h"
#include "platform/settings.h"
#include "platform/twips.h"
#include "platform/user_folders.h"
#include "presentation/printer_select.h"
#include "recording/file_digest.h"
#include "recording/video_file_handler.h"
#include "timing/review_session.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QPalette>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

struct Results_Fixture : ::testing::Test {
  Prompts_Guard prompts;
  Recorded_Errors errors;
  QTemporaryDir dir;
  Review_Session session;
  cls_VideoFile_handler* recording = &session.Recording();
  std::unique_ptr<Form_Dora_Results> form;
  std::vector<int16_t> went_to_rank, went_to_split, went_to_box;
  QString print_name;
  int focused = 0;
  int refreshed = 0;

  void SetUp() override {
    program() = Program_Info{};
    program().Settings_File_Path = Local_AppData_Folder() + QStringLiteral("Doravent_HDMI.ini");
    form = make_form();
  }
  void TearDown() override {
    form.reset();
    recording->Close_File();
  }

  std::unique_ptr<Form_Dora_Results> make_form() {
    auto f = std::make_unique<Form_Dora_Results>();
    Results_Hooks hooks;
    hooks.goto_rank = [this](int16_t k) { went_to_rank.push_back(k); };
    hooks.goto_split_time = [this](int16_t k) { went_to_split.push_back(k); };
    hooks.goto_box = [this](int16_t k) { went_to_box.push_back(k); };
    hooks.set_print_dog_name = [this](const QString& name) { print_name = name; };
    hooks.focus_slider = [this] { ++focused; };
    f->set_Hooks(std::move(hooks));
    f->set_Session(&session);
    // The results are shown again after every change the window makes.
    QObject::connect(&session, &Review_Session::results_changed, f.get(), [this] {
      ++refreshed;
      show_recording();
    });
    return f;
  }

  QString open(bool read_only = false) {
    const QString path = dir.filePath(QStringLiteral("heat.qn3"));
    EXPECT_TRUE(review_recordings::Write(path, review_recordings::Spec{}));
    if (read_only) {
      EXPECT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    }
    EXPECT_TRUE(recording->Open_File(path));
    return path;
  }

  // Boxes 2 and 5 finish together (5 set later, with the mark), 3 is disqualified, 1 third.
  void store_heat() {
    cls_VideoFile_handler& h = *recording;
    const char* names[] = {"Rex", "Bolt", "Max", "", "Flash", ""};
    for (int16_t box = 1; box <= 6; ++box)
      h.set_Dora_Dog_name(box, QString::fromLatin1(names[box - 1]));
    h.set_Dora_Heat_time(2, false, 29500);
    h.set_Dora_Heat_time(2, true, 14200);
    h.set_Dora_Heat_Click_Time(2, 100);
    h.set_Dora_Heat_time(5, false, 29500);
    h.set_Dora_Heat_Click_Time(5, 200);
    h.set_Dora_dead_heat(5, true);
    h.set_Dora_Heat_time(1, false, 31250);
    h.set_Dora_Heat_Click_Time(1, 300);
    h.set_Dora_Heat_time(3, false, Code_Disqualified);
    h.set_Dora_Heat_Click_Time(3, 400);
  }

  void show_recording(int32_t box_delay_ms = 100) {
    Result_Array rows = Load_Result_Array(recording->XML_Header());
    Sort_Result_Array(rows);
    form->Display_Results({recording->Dora_event(), recording->Dora_Heat_ID(), recording->Dora_Heat_Name(),
                           recording->Dora_start_DateTime()},
                          rows, box_delay_ms);
  }

  QByteArray bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  QLabel* label(const QString& name) { return form->findChild<QLabel*>(name); }
};

TEST_F(Results_Fixture, RowsShowRanksTimesSplitsAndMarks) {
  open();
  store_heat();
  show_recording();
  struct Row {
    const char* rank;
    const char* name;
    const char* time;
    const char* split;
    bool circle;
  };
  const Row rows[] = {{"1", "Bolt", "29,60", "14,30", false},   {"1", "Flash", "29,60", "00,00", true},
                      {"3", "Rex", "31,35", "00,00", false},    {"---", "Max", "DSQ", "---,---", false},
                      {"---", "", "---,---", "---,---", false}, {"---", "", "---,---", "---,---", false}};
  for (int r = 0; r < 6; ++r) {
    SCOPED_TRACE(r);
    const QString n = QString::number(r);
    EXPECT_EQ(label("Label_rank_" + n)->text(), QString::fromLatin1(rows[r].rank));
    EXPECT_EQ(label("Label_name_" + n)->text(), QString::fromLatin1(rows[r].name));
    EXPECT_EQ(label("Label_name_" + n)->toolTip(), QString::fromLatin1(rows[r].name));
    EXPECT_EQ(label("Label_time_" + n)->text(), QString::fromLatin1(rows[r].time));
    EXPECT_EQ(label("Label_Split_" + n)->text(), QString::fromLatin1(rows[r].split));
    EXPECT_EQ(form->findChild<QWidget*>("Shape_dead_circle_" + n)->isVisibleTo(form.get()), rows[r].circle);
  }
  EXPECT_EQ(form->Label_event_name->text(), "Spring Cup");
  EXPECT_EQ(form->Label_Heat_ID->text(), "7");
  EXPECT_EQ(form->Label_Heat_name->text(), "Final");
  EXPECT_EQ(form->Label_Heat_name->toolTip(), "Final");
  EXPECT_TRUE(form->Label_heat_started->text().startsWith("Started at: "));
  EXPECT_EQ(form->Label_box_delay->text(), "Box delay = 100ms");
  EXPECT_TRUE(form->Label_box_delay->isVisibleTo(form.get()));
  // Each row's box picture is painted in its box's colour: the row of box 2 is blue.
  const QImage box_2 = label("Picture_box_0")->pixmap().toImage();
  EXPECT_EQ(box_2.pixelColor(box_2.width() - 1, box_2.height() - 1), QColor(64, 116, 202));

  show_recording(0);
  EXPECT_FALSE(form->Label_box_delay->isVisibleTo(form.get()));
  EXPECT_EQ(label("Label_time_0")->text(), "29,50");

  form->Clear_Results_Display();
  for (int r = 0; r < 6; ++r) {
    const QString n = QString::number(r);
    EXPECT_EQ(label("Label_rank_" + n)->text(), "");
    EXPECT_EQ(label("Label_name_" + n)->text(), "");
    EXPECT_EQ(label("Label_time_" + n)->text(), "00,00");
    EXPECT_EQ(label("Label_Split_" + n)->text(), "00,00");
    EXPECT_FALSE(form->findChild<QWidget*>("Shape_dead_circle_" + n)->isVisibleTo(form.get()));
  }
  EXPECT_EQ(form->Label_event_name->text(), "");
  EXPECT_TRUE(errors.reports.empty());
}

TEST(Results_Window, BoxColoursAndFontFitting) {
  struct Colour_Case {
    int16_t box;
    QColor background;
    QColor digit;
  };
  const Colour_Case cases[] = {
      {1, QColor(181, 0, 0), Qt::white}, {2, QColor(64, 116, 202), Qt::white}, {3, Qt::white, Qt::black},
      {4, Qt::black, Qt::white},         {5, QColor(231, 177, 27), Qt::black}, {6, Qt::white, QColor(255, 0, 0)}};
  for (const Colour_Case& c : cases) {
    SCOPED_TRACE(c.box);
    const QImage picture = Box_Picture(QSize(40, 48), c.box);
    ASSERT_EQ(picture.size(), QSize(40, 48));
    EXPECT_EQ(picture.pixelColor(39, 1), c.background);
    int digit_pixels = 0;
    for (int y = 0; y < picture.height(); ++y)
      for (int x = 0; x < picture.width(); ++x)
        digit_pixels += picture.pixelColor(x, y) == c.digit ? 1 : 0;
    EXPECT_GT(digit_pixels, 10);
  }
  // Box 6: white, with grey bands from a quarter to a half and from three quarters down.
  const QImage six = Box_Picture(QSize(40, 48), 6);
  const QColor band = QApplication::palette().color(QPalette::Dark);
  ASSERT_NE(band, QColor(Qt::white));
  for (const auto& [y, banded] : std::initializer_list<std::pair<int, bool>>{
           {5, false}, {12, true}, {23, true}, {24, false}, {35, false}, {36, true}, {47, true}})
    EXPECT_EQ(six.pixel(39, y) == band.rgb(), banded) << y;
  EXPECT_FALSE(Box_Picture(QSize(0, 0), 1).isNull());

  const QFont font(QStringLiteral("Arial"), 18, QFont::Bold);
  EXPECT_EQ(Shrunk_Font_Size("Cup", font, 480, 18), 18);
  EXPECT_EQ(Shrunk_Font_Size(QString(400, 'W'), font, 100, 18), 6);
  EXPECT_EQ(Shrunk_Font_Size(QString(400, 'W'), font, 100, 17), 7);
  const int mid = Shrunk_Font_Size(QString(30, 'W'), font, 480, 18);
  EXPECT_LT(mid, 18);
  EXPECT_GT(mid, 6);
  EXPECT_EQ(mid % 2, 0);

  EXPECT_EQ(Fitting_Name_Size(QString(200, 'W'), QSize(240, 34), true), 8);
  const int short_name = Fitting_Name_Size("Rex", QSize(240, 34), true);
  const int long_name = Fitting_Name_Size("Bolt of the Northern Lights", QSize(240, 34), true);
  EXPECT_LE(long_name, short_name);
  EXPECT_LT(long_name, 14); // the long name gets shrunk on the label
  EXPECT_EQ(Fitting_Name_Size("Rex", QSize(2000, 2000), true), 110);
}

TEST_F(Results_Fixture, ClipboardExportSkipsEmptyNamesAndEmptySplits) {
  open();
  store_heat();
  show_recording();
  form->item("item_export_clipboard")->trigger();
  // The beaten distance ends a finisher's line, after the split's field, empty without a split.
  const QString expected = "Heat7\r\n"
                           "1\tBolt\t29,60\t14,30\r\n"
                           "1\tFlash\t29,60\t\tdht\r\n"
                           "3\tRex\t31,35\t\tdis\r\n"
                           "---\tMax\tDSQ\t---,---\r\n";
  EXPECT_EQ(QGuiApplication::clipboard()->text(), expected);
  ASSERT_EQ(prompts->seen.size(), 1U);
  EXPECT_EQ(prompts->seen.at(0).title, "Doravent results export");
  EXPECT_EQ(prompts->seen.at(0).text, expected);

  // Two runners: the heat line and their two lines; a finish time of 00,00 still goes out.
  for (int16_t box = 1; box <= 6; ++box)
    recording->set_Dora_Dog_name(box, box <= 2 ? QStringLiteral("Dog%1").arg(box) : QString());
  recording->set_Dora_Heat_time(1, false, 4);
  show_recording(0);
  const QStringList lines = form->Export_Text().split("\r\n", Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 3);
  EXPECT_EQ(lines.at(0), "Heat7");
  EXPECT_EQ(lines.at(1), "1\tDog1\t0,00");
  EXPECT_EQ(lines.at(2), "2\tDog2\t29,50\t14,20\tdis");
}

TEST_F(Results_Fixture, NameChangesGoIntoTheRecording) {
  const QString path = open();
  store_heat();
  show_recording();

  // Cancelling the dog name changes nothing; an answer renames the row's box in the file.
  form->Change_Dog_Name(0);
  EXPECT_EQ(recording->Dora_Dog_name(2), "Bolt");
  EXPECT_EQ(refreshed, 0);
  prompts->texts.push_back(QString());
  form->Change_Dog_Name(0);
  EXPECT_EQ(recording->Dora_Dog_name(2), "Bolt");
  prompts->texts.push_back(QStringLiteral("Thunder"));
  form->Change_Dog_Name(0);
  EXPECT_EQ(refreshed, 1);
  EXPECT_EQ(label("Label_name_0")->text(), "Thunder");
  ASSERT_GE(prompts->seen.size(), 3U);
  EXPECT_EQ(prompts->seen.at(2).text, "Change dog name");
  EXPECT_EQ(prompts->seen.at(2).title, "Doravent results");

  // Cancelling the event name empties it; the heat name takes the answer.
  form->Change_Event_Name();
  prompts->texts.push_back(QStringLiteral("Last Race"));
  form->Change_Heat_Name();
  EXPECT_EQ(form->Label_event_name->text(), "");
  EXPECT_EQ(form->Label_Heat_name->text(), "Last Race");

  recording->Close_File();
  cls_VideoFile_handler again;
  ASSERT_TRUE(again.Open_File(path));
  EXPECT_EQ(again.Dora_Dog_name(2), "Thunder");
  EXPECT_EQ(again.Dora_event(), "");
  EXPECT_EQ(again.Dora_Heat_Name(), "Last Race");
  again.Close_File();
  EXPECT_TRUE(errors.reports.empty());
}

// A name the file refuses is taken back, so the window and the clipboard never show a name the
// recording does not hold; the failed write is reported once.
TEST_F(Results_Fixture, RenamesTheFileRefusesAreTakenBack) {
  const QString path = open();
  store_heat();
  ASSERT_TRUE(recording->Write_XML_Header());
  show_recording();
  // Too long a name for the header block: every rewrite fails from now on.
  recording->set_Dora_Dog_name(6, QString(70000, QLatin1Char('x')));
  const QByteArray before = bytes(path);
  prompts->texts = {QStringLiteral("Thunder"), QStringLiteral("Derby"), QStringLiteral("Last Race")};
  form->Change_Dog_Name(0);
  form->Change_Event_Name();
  form->Change_Heat_Name();
  EXPECT_EQ(bytes(path), before);
  EXPECT_EQ(recording->Dora_Dog_name(2), "Bolt");
  EXPECT_EQ(recording->Dora_event(), "Spring Cup");
  EXPECT_EQ(recording->Dora_Heat_Name(), "Final");
  EXPECT_EQ(label("Label_name_0")->text(), "Bolt");
  EXPECT_EQ(form->Label_event_name->text(), "Spring Cup");
  EXPECT_FALSE(form->Export_Text().contains(QStringLiteral("Thunder")));
  ASSERT_EQ(errors.reports.size(), 3U);
  for (const auto& r : errors.reports)
    EXPECT_TRUE(r.location.startsWith("Write_XML_Header of ")) << r.location.toStdString();
}

TEST_F(Results_Fixture, ReadOnlyRecordingRefusesEveryNameChange) {
  const QString path = open(true);
  ASSERT_TRUE(recording->Read_only());
  show_recording();
  const QByteArray before = bytes(path);
  form->Change_Dog_Name(0);
  form->Change_Event_Name();
  form->Change_Heat_Name();
  EXPECT_EQ(prompts->count(Scripted_Prompts::Kind::Input), 0);
  const QString refusal = "File is Read Only!\nThis file can't be changed";
  EXPECT_EQ(prompts->messages(), (QStringList{refusal, refusal, refusal}));
  EXPECT_EQ(bytes(path), before);
  EXPECT_EQ(recording->Dora_event(), "Spring Cup");

  // Without a recording there is nothing to change.
  recording->Close_File();
  form->Change_Event_Name();
  EXPECT_EQ(prompts->beeps(), 1);
}

TEST_F(Results_Fixture, MouseActionsReachTheMainWindow) {
  open();
  store_heat();
  show_recording();
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  QTest::mouseClick(label("Label_rank_1"), Qt::LeftButton);
  EXPECT_EQ(print_name, "Flash");
  QTest::mouseClick(label("Label_rank_1"), Qt::RightButton); // only the left button chooses
  QTest::mouseClick(label("Label_name_2"), Qt::LeftButton);
  QTest::mouseClick(label("Label_Split_3"), Qt::LeftButton);
  QTest::mouseClick(label("Picture_box_4"), Qt::LeftButton);
  EXPECT_EQ(went_to_rank, (std::vector<int16_t>{2, 3}));
  EXPECT_EQ(went_to_split, (std::vector<int16_t>{4}));
  EXPECT_EQ(went_to_box, (std::vector<int16_t>{5}));
  const int before = focused;
  QTest::mouseClick(form->Label_header, Qt::LeftButton);
  EXPECT_EQ(focused, before + 1);

  // The right button on a name and any but the left on the event name ask for a new name.
  QTest::mousePress(label("Label_name_0"), Qt::RightButton);
  QTest::mousePress(form->Label_event_name, Qt::MiddleButton);
  QTest::mousePress(form->Label_event_name, Qt::LeftButton);
  ASSERT_EQ(prompts->count(Scripted_Prompts::Kind::Input), 2);
  EXPECT_EQ(prompts->seen.at(0).text, "Change dog name");
  EXPECT_EQ(prompts->seen.at(1).text, "Change Event name");
}

// Each heading stands over its own column, whatever the font's widths.
TEST_F(Results_Fixture, HeadingsStandOverTheirColumns) {
  open();
  store_heat();
  show_recording();
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  const std::pair<const char*, const char*> columns[] = {{"Label_header_dog", "Picture_box_0"},
                                                         {"Label_header_name", "Label_name_0"},
                                                         {"Label_header_time", "Label_time_0"},
                                                         {"Label_header_split", "Label_Split_0"},
                                                         {"Label_header_distance", "Label_distance_0"}};
  for (const auto& [heading, value] : columns) {
    SCOPED_TRACE(heading);
    EXPECT_EQ(label(heading)->geometry().left(), label(value)->geometry().left());
    EXPECT_LT(label(heading)->geometry().bottom(), label(value)->geometry().top());
  }
  EXPECT_EQ(form->Label_header->geometry().center().x(), label("Label_rank_0")->geometry().center().x());
}

TEST_F(Results_Fixture, ClearingAsksFirst) {
  open();
  store_heat();
  ASSERT_TRUE(recording->Write_XML_Header());
  prompts->answers.push_back(Prompt_Answer::Cancel);
  prompts->answers.push_back(Prompt_Answer::Ok);
  form->item("item_clear_all_results")->trigger();
  EXPECT_EQ(recording->Dora_Heat_time(2, false), 29500);
  form->item("item_clear_all_results")->trigger();
  for (int16_t box = 1; box <= 8; ++box) {
    EXPECT_EQ(recording->Dora_Heat_time(box, false), 0) << box;
    EXPECT_FALSE(recording->Dora_dead_heat(box)) << box;
  }
  ASSERT_EQ(prompts->seen.size(), 2U);
  EXPECT_EQ(prompts->seen.at(0).text, "Clearing all results, are you sure?");
  EXPECT_EQ(prompts->seen.at(0).title, "Doravent clearing results");
  EXPECT_EQ(prompts->seen.at(0).buttons, Prompt_Buttons::OkCancel);
  EXPECT_EQ(prompts->seen.at(0).default_answer, Prompt_Answer::Cancel) << "Enter must not clear the heat";
}

TEST_F(Results_Fixture, PrintingWritesThePageAndClearsThePrintedLine) {
  open();
  store_heat();
  show_recording();
  form->show();
  const QString pdf = dir.filePath(QStringLiteral("results.pdf"));
  Set_Print_To_File(pdf);
  form->item("item_print")->trigger();
  Set_Print_To_File({});
  const QByteArray out = bytes(pdf);
  EXPECT_TRUE(out.startsWith("%PDF"));
  EXPECT_GT(out.size(), 2000);
  EXPECT_EQ(form->Label_printed->text(), "");
  EXPECT_FALSE(form->Picture1->pixmap().isNull()); // the window's image was taken
  EXPECT_TRUE(errors.reports.empty());
  // The page names the evidence its result was read from.
  const QString text = pdf_reading::Text(pdf);
  EXPECT_TRUE(text.contains("Frames SHA-256: " + Frame_Data_SHA256_Hex(recording->File_name()).left(16)))
      << text.toStdString();
}

// A dialog cancelled prints nothing; a print that fails is reported and never told as written.
TEST_F(Results_Fixture, ACancelledOrFailedPrintWritesAndAnnouncesNothing) {
  open();
  store_heat();
  show_recording();
  form->show();
  ASSERT_EQ(Write_Ini_Value("Settings", "show_printer_dialog", "1", program().Settings_File_Path), 1);
  const QString pdf = dir.filePath(QStringLiteral("cancelled.pdf"));
  struct Hook_Reset {
    ~Hook_Reset() { install_printer_dialog_hook({}); }
  } reset;
  install_printer_dialog_hook(
      [&](QWidget*, const Printer_Settings&) -> std::optional<Printer_Settings> { return std::nullopt; });
  form->item("item_print")->trigger();
  EXPECT_FALSE(QFile::exists(pdf));
  EXPECT_TRUE(prompts->seen.empty());
  EXPECT_TRUE(errors.reports.empty());

  install_printer_dialog_hook([&](QWidget*, const Printer_Settings& preset) -> std::optional<Printer_Settings> {
    Printer_Settings chosen = preset;
    chosen.device_name = Pdf_Printer_Name;
    chosen.pdf_file = QStringLiteral("/nonexistent-folder/sub/results.pdf");
    return chosen;
  });
  form->item("item_print")->trigger();
  EXPECT_EQ(errors.reports.size(), 1U);
  for (const auto& seen : prompts->seen)
    EXPECT_FALSE(seen.text.contains("written")) << seen.text.toStdString();
  EXPECT_EQ(form->Label_printed->text(), "");
}

TEST_F(Results_Fixture, PositionIsKeptInTheSettings) {
  form->move(Twips_To_Pixels(3000), Twips_To_Pixels(1500));
  form->close();
  EXPECT_EQ(Read_Ini_Value("windowpos", "Form_Dora_Results", program().Settings_File_Path, ""),
            QStringLiteral("%1,%2,0,0").arg(Pixels_To_Twips(form->x())).arg(Pixels_To_Twips(form->y())));
  auto again = make_form();
  again->Form_Load();
  EXPECT_EQ(again->pos(), form->pos());

  // A position far off any screen comes back at the edge.
  Write_Ini_Value("windowpos", "Form_Dora_Results", "9999999,-90000,0,0", program().Settings_File_Path);
  auto far = make_form();
  far->move(40, 40);
  far->Form_Load();
  EXPECT_EQ(far->pos(), QPoint(0, 0));
}

} // namespace
