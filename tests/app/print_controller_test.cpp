// The main window's prints, read back from the PDF they write.
#include "app/print_controller.h"

#include "app/event_controller.h"
#include "app/form_doravent.h"
#include "app/results_controller.h"
#include "app/review_controller.h"
#include "mock/pdf_reading.h"
#include "mock/recorded_errors.h"
#include "mock/review_recordings.h"
#include "mock/scripted_prompts.h"
#include "mock/window_test.h"
#include "platform/program_info.h"
#include "platform/settings.h"
#include "presentation/competitors_form.h"
#include "presentation/event_form.h"
#include "presentation/printer_select.h"
#include "presentation/progress_window.h"
#include "presentation/results_form.h"
#include "recording/file_digest.h"
#include "recording/video_file_handler.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QSpinBox>
#include <gtest/gtest.h>

#include <cmath>

namespace {

// A picture of 320 x 240, bright above and dark below, frame k's blue shifted by 10 k; the goal
// line runs down the middle.
review_recordings::Spec print_spec() {
  review_recordings::Spec spec;
  spec.width = 320;
  spec.height = 240;
  spec.frames = 6;
  spec.interlaced = false;
  spec.fps = QStringLiteral("50"); // the slider counts frames
  spec.top_half_bright = true;
  spec.goal_finish = QStringLiteral("160,2,160,238");
  return spec;
}

struct Print_Window : Window_Test {
  QString pdf;
  QString recording;
  Printer_Settings saved;
  struct Step {
    QString caption;
    int percent;
    int32_t ms;
  };
  std::vector<Step> steps; // the progress window at each wait

  void SetUp() override {
    Window_Test::SetUp();
    saved = Current_Printer();
    Current_Printer() = Printer_Settings{};
    Current_Printer().device_name = Pdf_Printer_Name;
    pdf = dir.filePath(QStringLiteral("print.pdf"));
    Set_Print_To_File(pdf);
    load_window();
    w->printing().set_Wait([this](int32_t ms) {
      for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* p = dynamic_cast<Form_progress*>(top); p && p->isVisible())
          steps.push_back({p->Label_progress->text(), p->Percent(), ms});
    });
  }
  void TearDown() override {
    // The settings file is the process's: a real dialog must not wait in a later test.
    Write_Ini_Value(QStringLiteral("Settings"), QStringLiteral("show_printer_dialog"), QStringLiteral("0"),
                    program().Settings_File_Path);
    Set_Print_To_File({});
    install_printer_dialog_hook({});
    Current_Printer() = saved;
    Window_Test::TearDown();
  }

  void open() {
    recording = dir.filePath(QStringLiteral("heat.qn3"));
    ASSERT_TRUE(review_recordings::Write(recording, print_spec()));
    ASSERT_TRUE(w->review().Handle_Open(recording));
    w->obj_QN3_Handler().set_Dora_Dog_name(3, QStringLiteral("Rex"));
    w->obj_QN3_Handler().set_Dora_Dog_name(5, QStringLiteral("Max"));
  }
  // Box 3 first at frame 2, box 5 second at frame 4; nobody else.
  void store_two_runners() {
    cls_VideoFile_handler& h = w->obj_QN3_Handler();
    h.set_Dora_Heat_time(3, false, 29000);
    h.set_Dora_heat_frame(3, 2);
    h.set_Dora_Heat_Click_Time(3, 100);
    h.set_Dora_Heat_time(5, false, 29500);
    h.set_Dora_heat_frame(5, 4);
    h.set_Dora_Heat_Click_Time(5, 200);
    ASSERT_TRUE(h.Write_XML_Header());
    w->review_session().Reload_Results();
  }
  void show(int value) { ui(w).Slider_play->setValue(value); }

  QString locations() const {
    QStringList out;
    for (const auto& r : errors.reports)
      out << r.location + " " + r.description;
    return out.join('|');
  }
};

bool near(int value, int expected, int tolerance = 8) { return std::abs(value - expected) <= tolerance; }

} // namespace

TEST_F(Print_Window, PrintMenuItemsAreActiveAndNeedARecording) {
  for (const char* name : {"item_print_frame", "item_print_series", "item_print_split_series", "item_dog_name",
                           "item_dog_names", "item_printer_dialog"})
    EXPECT_TRUE(w->item(QString::fromLatin1(name))->isEnabled()) << name;
  w->item("item_print_frame")->trigger();
  w->item("item_print_series")->trigger();
  EXPECT_EQ(prompts->beeps(), 2);
  EXPECT_FALSE(QFileInfo::exists(pdf));
  EXPECT_TRUE(errors.reports.empty());
}

TEST_F(Print_Window, TheFramePageHoldsTheShownPictureWithItsGoalLine) {
  open();
  show(3);
  const QImage shown = ui(w).Picture_out->Picture().convertToFormat(QImage::Format_RGB32);
  w->item("item_print_frame")->trigger();
  ASSERT_TRUE(errors.reports.empty()) << locations().toStdString();
  ASSERT_EQ(pdf_reading::Pages(pdf), 1);

  // The picture as stored: the recording's own pixels, goal line included, without loss.
  const auto images = pdf_reading::Images(pdf);
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images.at(0).width, 320);
  EXPECT_EQ(images.at(0).height, 240);
  EXPECT_EQ(images.at(0).encoding, "image");
  const auto stored = pdf_reading::Image_Files(pdf);
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored.at(0), shown);

  // On the page: the dark lower half of the picture, crossed by the white goal line in the
  // middle, under the bright upper half.
  const QImage page = pdf_reading::Raster(pdf, 1, 100);
  // The dark half: long runs of its grey, which no text on the page has.
  const auto dark_grey = [&page](int x, int y) {
    const QRgb p = page.pixel(x, y);
    return qRed(p) >= 15 && qRed(p) <= 50 && qGreen(p) >= 15 && qGreen(p) <= 50;
  };
  QRect dark;
  for (int y = 0; y < page.height(); ++y) {
    int run = 0;
    for (int x = 0; x < page.width(); ++x) {
      run = dark_grey(x, y) ? run + 1 : 0;
      if (run == 40) dark |= QRect(x - 39, y, 40, 1);
      if (run > 40) dark |= QRect(x, y, 1, 1);
    }
  }
  ASSERT_FALSE(dark.isEmpty());
  EXPECT_NEAR(dark.width() * 3, dark.height() * 8, 24); // 320 wide, 120 high
  const int row = dark.center().y();
  const int middle = dark.left() + dark.width() / 2;
  int line = -1;
  for (int x = dark.left(); x <= dark.right(); ++x)
    if (qGreen(page.pixel(x, row)) > 200) line = x;
  ASSERT_NE(line, -1) << "no goal line on the page";
  EXPECT_NEAR(line, middle, 3);
  EXPECT_LT(qGreen(page.pixel(dark.left() + 5, row)), 60);
  EXPECT_LT(qGreen(page.pixel(dark.right() - 5, row)), 60);
  const QRgb above = page.pixel(dark.left() + 5, dark.top() - dark.height() / 2);
  EXPECT_TRUE(near(qRed(above), 220) && near(qGreen(above), 220)) << qRed(above) << "," << qGreen(above);

  // The heading and footer come from the window and the recording.
  const QStringList lines = pdf_reading::Lines(pdf_reading::Text(pdf));
  EXPECT_EQ(lines.value(0), "Spring Cup");
  EXPECT_TRUE(lines.contains("Elapsed time : " + ui(w).Label_heat_time->text().trimmed()));
  EXPECT_TRUE(pdf_reading::Info(pdf).contains(Frame_Data_SHA256_Hex(recording)));

  // The progress window paced the print.
  ASSERT_EQ(steps.size(), 4u);
  for (const Step& s : steps)
    EXPECT_EQ(s.caption, "Printing frame on\n" + Pdf_Printer_Name);
  EXPECT_EQ(steps.back().percent, 100);
}

TEST_F(Print_Window, TheSeriesVisitsEachRunnerAndReturns) {
  open();
  store_two_runners();
  show(6);
  const QImage before = ui(w).Picture_out->Picture();
  const int32_t elapsed = w->review_session().Shown_Time_Label_Ms();
  w->item("item_print_series")->trigger();
  ASSERT_TRUE(errors.reports.empty()) << locations().toStdString();

  // Back where the operator was.
  EXPECT_EQ(ui(w).Slider_play->value(), 6);
  EXPECT_EQ(w->review_session().Shown_Time_Label_Ms(), elapsed);
  EXPECT_EQ(ui(w).Picture_out->Picture(), before);

  // Frame 2 for the winner, frame 4 for the second: their blue tells them apart.
  const auto stored = pdf_reading::Image_Files(pdf);
  ASSERT_EQ(stored.size(), 2u);
  EXPECT_TRUE(near(qBlue(stored.at(0).pixel(20, 20)), 240)) << qBlue(stored.at(0).pixel(20, 20));
  EXPECT_TRUE(near(qBlue(stored.at(1).pixel(20, 20)), 4)) << qBlue(stored.at(1).pixel(20, 20));
  // Each carries its runner's label.
  for (const QImage& picture : stored) {
    int yellow = 0;
    for (int y = 0; y < picture.height(); ++y)
      for (int x = 0; x < picture.width(); ++x)
        yellow += picture.pixel(x, y) == qRgb(255, 255, 0) ? 1 : 0;
    EXPECT_GT(yellow, 20);
  }

  QStringList table;
  for (const QString& line : pdf_reading::Lines(pdf_reading::Text(pdf)))
    if (line.contains("Rex") || line.contains("Max")) table << line.simplified();
  // Max half a second behind: 6 1/4 lengths at 0.08 s a length.
  EXPECT_EQ(table, (QStringList{"1 3 Rex 00,00 29,00", "2 5 Max 00,00 29,50 6 1/4"}));
}

TEST_F(Print_Window, ThePrintDogNameGoesOnTheNextFramePrintOnly) {
  open();
  show(2);
  prompts->texts.push_back(QStringLiteral("Lucky"));
  w->item("item_dog_name")->trigger();
  EXPECT_EQ(w->state().Print_Dog_Name, "Lucky");
  ASSERT_EQ(prompts->seen.back().text, "Enter dog name for printing");

  w->item("item_print_frame")->trigger();
  EXPECT_EQ(w->state().Print_Dog_Name, "");
  const auto stored = pdf_reading::Image_Files(pdf);
  ASSERT_EQ(stored.size(), 1u);
  int yellow = 0;
  for (int y = 0; y < stored.at(0).height(); ++y)
    for (int x = 0; x < stored.at(0).width(); ++x)
      yellow += stored.at(0).pixel(x, y) == qRgb(255, 255, 0) ? 1 : 0;
  EXPECT_GT(yellow, 20);
  // The screen keeps its picture without the name.
  const QImage screen = ui(w).Picture_out->Picture().convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < screen.height(); ++y)
    for (int x = 0; x < screen.width(); ++x)
      ASSERT_NE(screen.pixel(x, y), qRgb(255, 255, 0)) << x << "," << y;
}

TEST_F(Print_Window, TheDialogRuleAndAPdfPrinterKeepingItsPaper) {
  open();
  Write_Ini_Value(QStringLiteral("Settings"), QStringLiteral("show_printer_dialog"), QStringLiteral("1"),
                  program().Settings_File_Path);
  struct Case {
    const char* printer;
    QSizeF points;
  };
  const Case cases[] = {{"Office PDF writer", {595, 842}}, {"Office Laser", {612, 792}}};
  for (const Case& c : cases) {
    Current_Printer().paper_size = QPageSize(QPageSize::A4);
    int asked = 0;
    install_printer_dialog_hook([&](QWidget*, const Printer_Settings& preset) -> std::optional<Printer_Settings> {
      ++asked;
      Printer_Settings chosen = preset;
      chosen.device_name = QString::fromLatin1(c.printer);
      chosen.paper_size = QPageSize(QPageSize::Letter);
      return chosen;
    });
    QFile::remove(pdf);
    w->item("item_print_frame")->trigger();
    EXPECT_EQ(asked, 1) << c.printer;
    const QSizeF sheet = pdf_reading::Page_Points(pdf);
    EXPECT_NEAR(sheet.width(), c.points.width(), 1) << c.printer;
    EXPECT_NEAR(sheet.height(), c.points.height(), 1) << c.printer;
  }

  // Cancelling the dialog prints nothing.
  install_printer_dialog_hook([](QWidget*, const Printer_Settings&) -> std::optional<Printer_Settings> { return {}; });
  QFile::remove(pdf);
  w->item("item_print_series")->trigger();
  EXPECT_FALSE(QFileInfo::exists(pdf));
  EXPECT_TRUE(errors.reports.empty()) << locations().toStdString();
}

TEST_F(Print_Window, PrinterDialogCommandAsksWhateverTheSetting) {
  int asked = 0;
  install_printer_dialog_hook([&](QWidget*, const Printer_Settings&) -> std::optional<Printer_Settings> {
    ++asked;
    return std::nullopt;
  });
  w->item("item_printer_dialog")->trigger();
  EXPECT_EQ(asked, 1);
}

TEST_F(Print_Window, AFailedPrintIsReportedAndTheViewStays) {
  open();
  store_two_runners();
  show(5);
  Set_Print_To_File(dir.filePath(QStringLiteral("no such folder/print.pdf")));
  w->item("item_print_series")->trigger();
  ASSERT_EQ(errors.reports.size(), 1u);
  EXPECT_EQ(errors.reports.at(0).location, "Print_Frame of Form Form_Doravent");
  EXPECT_EQ(ui(w).Slider_play->value(), 5);
  for (QWidget* top : QApplication::topLevelWidgets())
    EXPECT_FALSE(dynamic_cast<Form_progress*>(top) && top->isVisible());
}

TEST_F(Print_Window, DogNamesCopiesAHeatOfTheEventFileIntoTheRecording) {
  program().Event_Files_Folder = dir.filePath(QStringLiteral("Doravent Event Files")) + QLatin1Char('/');
  Form_event_registration& events = w->events().Event_Window();
  events.Text_event_name->setText(QStringLiteral("Derby"));
  events.Text_day->setText(QStringLiteral("Sun"));
  events.item_create_event_file_Click();
  events.UpDown_heat->setValue(3);
  for (int box = 1; box <= 6; ++box)
    events.Text_dog_name.at(static_cast<size_t>(box - 1))->setText(QStringLiteral("Dog 3-%1").arg(box));
  ASSERT_TRUE(events.Event_File_Open());

  open();
  store_two_runners();
  w->item("item_dog_names")->trigger();
  Form_heat_competitors* form = w->printing().Competitors_Form();
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(form->Text_dog_name.at(2)->text(), "Rex");
  form->UpDown_heat->setValue(3);
  EXPECT_TRUE(form->Changed());
  // The results follow at once.
  EXPECT_EQ(w->results().Results_Form().Label_name.at(0)->text(), "Dog 3-3");
  form->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(w->printing().Competitors_Form(), nullptr);

  w->obj_QN3_Handler().Close_File();
  cls_VideoFile_handler again;
  ASSERT_TRUE(again.Open_File(recording, true));
  for (int16_t box = 1; box <= 6; ++box)
    EXPECT_EQ(again.Dora_Dog_name(box), QStringLiteral("Dog 3-%1").arg(box));
  again.Close_File();
  EXPECT_TRUE(errors.reports.empty()) << locations().toStdString();
}
