// The speaker card, and the one window-print routine it shares with the event window.
#include "presentation/speaker_card.h"

#include "mock/pdf_reading.h"
#include "mock/recorded_errors.h"
#include "mock/scripted_prompts.h"
#include "platform/program_info.h"
#include "platform/settings.h"
#include "presentation/event_form.h"
#include "presentation/event_print.h"
#include "presentation/page_surface.h"
#include "presentation/printer_select.h"
#include "presentation/progress_window.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace {

struct Window_Print : ::testing::Test {
  Prompts_Guard prompts;
  Recorded_Errors errors;
  QTemporaryDir dir;
  QString pdf;
  Printer_Settings saved;

  void SetUp() override {
    program() = Program_Info{};
    program().Settings_File_Path = dir.filePath(QStringLiteral("Doravent_HDMI.ini"));
    program().Event_Files_Folder = dir.filePath(QStringLiteral("Doravent Event Files")) + QLatin1Char('/');
    saved = Current_Printer();
    Current_Printer() = Printer_Settings{};
    Current_Printer().device_name = Pdf_Printer_Name;
    pdf = dir.filePath(QStringLiteral("print.pdf"));
    Set_Print_To_File(pdf);
  }
  void TearDown() override {
    Set_Print_To_File({});
    install_printer_dialog_hook({});
    Current_Printer() = saved;
  }

  static Form_progress* shown_progress() {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* p = dynamic_cast<Form_progress*>(w); p && p->isVisible()) return p;
    return nullptr;
  }
};

std::unique_ptr<Form_event_registration> event_window_with_heat(const QString& name) {
  auto w = std::make_unique<Form_event_registration>();
  w->set_Import_Pause_ms(0);
  w->Form_Load();
  w->Text_event_name->setText(name);
  w->Text_day->setText(QStringLiteral("2024-05-01"));
  w->item_create_event_file_Click();
  w->UpDown_heat->setValue(3);
  w->Text_heat_name->setText(QStringLiteral("Sprint"));
  w->Text_heat_time->setText(QStringLiteral("14:05"));
  w->Text_heat_length->setText(QStringLiteral("480"));
  const char* dogs[] = {"Rex", "Max", "", "Bella", "Luna", "Zeus"};
  for (int i = 0; i < 6; ++i)
    w->Text_dog_name.at(static_cast<size_t>(i))->setText(QString::fromLatin1(dogs[i]));
  return w;
}

} // namespace

TEST_F(Window_Print, TheWindowsOwnCommandPrintsBetweenTheProgressSteps) {
  QWidget window;
  window.setWindowTitle(QStringLiteral("Some window"));
  window.resize(200, 100);
  int calls = 0;
  QString caption;
  int percent = -1;
  Print_Form_Window(window, QStringLiteral("Printing form, on"), {0, 0}, [&](Page_Surface& page) {
    ++calls;
    if (Form_progress* p = shown_progress()) {
      caption = p->Label_progress->text();
      percent = p->Percent();
    }
    page.Print_Line(QStringLiteral("Drawn by the window"));
    page.EndDoc();
  });
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(caption, "Printing form, on\n" + Pdf_Printer_Name);
  EXPECT_EQ(percent, 10);
  EXPECT_EQ(shown_progress(), nullptr);
  EXPECT_TRUE(pdf_reading::Text(pdf).contains("Drawn by the window"));
}

TEST_F(Window_Print, TheDialogSettingAsksFirstAndCancelPrintsNothing) {
  Write_Ini_Value(QStringLiteral("Settings"), QStringLiteral("show_printer_dialog"), QStringLiteral("1"),
                  program().Settings_File_Path);
  int dialogs = 0;
  install_printer_dialog_hook([&](QWidget*, const Printer_Settings&) -> std::optional<Printer_Settings> {
    ++dialogs;
    return std::nullopt;
  });
  QWidget window;
  int calls = 0;
  Print_Form_Window(window, QStringLiteral("Printing form, on"), {0, 0}, [&](Page_Surface&) { ++calls; });
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(calls, 0);
  EXPECT_FALSE(QFileInfo::exists(pdf));
}

TEST_F(Window_Print, SpeakerCardShowsTheEventWindowsHeat) {
  auto events = event_window_with_heat(QStringLiteral("Derby"));
  events->item("item_speaker_card")->trigger();
  Form_Doravent_SpeakerCard* card = events->Speaker_Card();
  ASSERT_NE(card, nullptr);
  EXPECT_TRUE(events->item("item_speaker_card")->isEnabled());
  EXPECT_TRUE(card->isVisible());
  EXPECT_EQ(card->windowTitle(), "Doravent SpeakerCard");
  EXPECT_EQ(card->Label_event->text(), "Derby");
  EXPECT_EQ(card->Label_heat_num->text(), "3");
  EXPECT_EQ(card->Label_heat_name->text(), "Sprint");
  EXPECT_EQ(card->Label_start->text(), "14:05");
  EXPECT_EQ(card->Label_length->text(), "480");
  const char* dogs[] = {"Rex", "Max", "", "Bella", "Luna", "Zeus"};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(card->Label_dog_name.at(static_cast<size_t>(i))->text(), dogs[i]) << i;
    EXPECT_FALSE(card->Picture_box.at(static_cast<size_t>(i))->pixmap().isNull()) << i;
  }

  // A second card for another heat reuses the window.
  events->UpDown_heat->setValue(4);
  events->item("item_speaker_card")->trigger();
  EXPECT_EQ(events->Speaker_Card(), card);
  EXPECT_EQ(card->Label_heat_num->text(), "4");
  EXPECT_TRUE(errors.reports.empty());
}

TEST_F(Window_Print, SpeakerCardWithoutAnEventFileHasEmptyNames) {
  auto events = event_window_with_heat(QStringLiteral("Derby"));
  events->item("item_close_event_file")->trigger();
  events->item("item_speaker_card")->trigger();
  Form_Doravent_SpeakerCard* card = events->Speaker_Card();
  ASSERT_NE(card, nullptr);
  for (QLabel* name : card->Label_dog_name)
    EXPECT_EQ(name->text(), "");
  EXPECT_EQ(card->Label_event->text(), "");
}

TEST_F(Window_Print, SpeakerCardPrintsItselfAt300And1200Twips) {
  auto events = event_window_with_heat(QStringLiteral("Derby"));
  events->item("item_speaker_card")->trigger();
  Form_Doravent_SpeakerCard* card = events->Speaker_Card();
  ASSERT_NE(card, nullptr);
  card->set_Print_Waits({0, 0});
  card->item("item_print")->trigger();
  EXPECT_TRUE(errors.reports.empty());

  ASSERT_EQ(pdf_reading::Pages(pdf), 1);
  // The whole card, menu bar included, as one picture of its own size.
  const auto images = pdf_reading::Images(pdf);
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images.at(0).width, card->width());
  EXPECT_EQ(images.at(0).height, card->height());
  EXPECT_FALSE(card->Picture1->pixmap().isNull());

  // Its top left corner: 300 twips (15 pt) in and 1200 twips (60 pt) down on the printable area.
  const QImage page = pdf_reading::Raster(pdf, 1, 72);
  const double margin_pt = 10; // the PDF printer's own margin
  const int left = qRound(margin_pt + 15);
  const int top = qRound(margin_pt + 60);
  EXPECT_EQ(page.pixel(left - 3, top + 20), qRgb(255, 255, 255));
  EXPECT_EQ(page.pixel(left + 20, top - 3), qRgb(255, 255, 255));
  EXPECT_NE(page.pixel(left + 2, top + 2), qRgb(255, 255, 255));
}
