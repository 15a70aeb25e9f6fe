// The slit strip and the finish proposals on the real window, with synthetic heats: built in the
// background while the window goes on working, kept for the next opening, columns that move the
// playback, and proposals stored only when accepted, with their dead heats and marks.
#include "app/slit_controller.h"

#include "app/form_doravent.h"
#include "app/goal_line_controller.h"
#include "app/review_controller.h"
#include "demo_window.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "presentation/results_form.h"
#include "presentation/slit_strip.h"
#include "recording/qn3_format.h"
#include "recording/record_reader.h"
#include "recording/video_file_handler.h"
#include "scene/finish_heats.h"
#include "timing/interpolated_time.h"
#include "timing/result_ranking.h"

#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <algorithm>
#include <cmath>

namespace {

constexpr int32_t Build_Wait_Ms = 30000;

struct Finish_Window : Demo_Window {
  // Opened and its slit image made.
  void Open(const QString& path) {
    ASSERT_TRUE(w->review().Handle_Open(path));
    QTRY_VERIFY_WITH_TIMEOUT(!w->slit().Building(), Build_Wait_Ms);
    ASSERT_TRUE(w->slit().Slit()) << w->slit().Status_Text().toStdString();
  }
  QPushButton* Accept_Button(int box) const {
    return w->findChild<QPushButton*>(QStringLiteral("Cmd_accept_proposal_%1").arg(box - 1));
  }
  Form_Dora_Results* Results() const { return w->findChild<Form_Dora_Results*>(); }
};

// Boxes 3 and 4 in a dead heat, box 6 does not finish.
const QStringList Heat{"--crossings", "29203,29411,29607,29607,30009,-", "--from", "28800", "--to", "30400"};

TEST_F(Finish_Window, BuiltInTheBackgroundWhileTheWindowWorks) {
  const QString path = Demo("heat.qn3", Heat);
  load_window();
  ASSERT_TRUE(w->review().Handle_Open(path));
  // The result arrives through the event loop: the window has not waited for it.
  EXPECT_TRUE(w->slit().Building());
  EXPECT_EQ(Accept_Button(1)->text(), "...");
  EXPECT_FALSE(w->findChild<QWidget*>("Progress_slit")->isHidden());
  ui(w).Slider_play->setValue(10);
  EXPECT_EQ(ui(w).Label_field->text(), "10");
  QTRY_VERIFY_WITH_TIMEOUT(!w->slit().Building(), Build_Wait_Ms);
  ASSERT_TRUE(w->slit().Slit());
  EXPECT_TRUE(w->findChild<QWidget*>("Progress_slit")->isHidden());
  EXPECT_FALSE(w->slit().From_Cache());
  EXPECT_EQ(w->slit().Slit()->Columns(), 2 * w->obj_QN3_Handler().Num_Frames());
  EXPECT_TRUE(w->slit().Status_Text().contains("5 of 6")) << w->slit().Status_Text().toStdString();
  // Beside the box buttons: each found box's instant, nothing for the one that did not finish.
  EXPECT_TRUE(Accept_Button(1)->text().startsWith("29,20")) << Accept_Button(1)->text().toStdString();
  EXPECT_TRUE(Accept_Button(1)->isEnabled());
  EXPECT_FALSE(Accept_Button(6)->isEnabled());
  EXPECT_EQ(Accept_Button(3)->text().left(6), Accept_Button(4)->text().left(6)); // proposed equal
  // Nothing is stored until accepted.
  for (int16_t box = 1; box <= 6; ++box)
    EXPECT_EQ(w->obj_QN3_Handler().Dora_Heat_time(box, false), 0) << box;

  // Opened again, the slit image is the one kept, though the header was rewritten meanwhile.
  w->obj_QN3_Handler().set_Dora_Heat_Length(QStringLiteral("515"));
  ASSERT_TRUE(w->obj_QN3_Handler().Write_XML_Header());
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.setFileTime(QDateTime::currentDateTime().addSecs(30), QFileDevice::FileModificationTime);
  }
  w->review().Do_Close();
  EXPECT_FALSE(w->slit().Slit());
  EXPECT_EQ(Accept_Button(1)->text(), "-");
  Open(path);
  EXPECT_TRUE(w->slit().From_Cache());
  EXPECT_TRUE(errors.reports.empty());
}

// A frame whose JPEG header is damaged, where box 2 finishes: the review stays open, the frame
// is named in one message on the window's thread (the worker asks for none), and the other
// boxes' proposals stand.
TEST_F(Finish_Window, ADamagedFrameIsNamedOnceAndTheOtherBoxesProposalsStand) {
  const QString path = Demo("heat.qn3", Heat);
  load_window();
  Open(path);
  const Finish_Proposals whole = w->slit().Proposals();
  ASSERT_TRUE(whole[1].found);
  const Recording_Layout layout = Recording_Layout::Of(w->obj_QN3_Handler());
  w->review().Do_Close();
  const int32_t frame = (whole[1].field_number + 1) / 2;
  const QString damaged = dir.filePath("damaged.qn3");
  ASSERT_TRUE(QFile::copy(path, damaged));
  {
    QFile f(damaged);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    // After the start marker, the tables and the frame header are gone.
    ASSERT_TRUE(f.seek(qn3::Record_Offset(frame, layout.record_size) + qn3::Record_Head_Size + 2));
    ASSERT_EQ(f.write(QByteArray(300, '\0')), 300);
  }
  const size_t seen_before = prompts->seen.size();
  const int refused_before = Refused_Prompt_Calls();
  ASSERT_TRUE(w->review().Handle_Open(damaged));
  QTRY_VERIFY_WITH_TIMEOUT(!w->slit().Building(), Build_Wait_Ms);
  EXPECT_TRUE(w->obj_QN3_Handler().File_open());
  ASSERT_TRUE(w->slit().Slit()) << w->slit().Status_Text().toStdString();
  QStringList said;
  for (size_t i = seen_before; i < prompts->seen.size(); ++i)
    said << prompts->seen[i].text;
  ASSERT_EQ(said.size(), 1) << said.join('|').toStdString();
  EXPECT_TRUE(said.front().startsWith(QStringLiteral("Frame %1 of this recording could not be read").arg(frame)))
      << said.front().toStdString();
  EXPECT_EQ(Refused_Prompt_Calls(), refused_before);
  const Finish_Proposals now = w->slit().Proposals();
  for (size_t box : {0U, 2U, 3U, 4U}) {
    SCOPED_TRACE(box + 1);
    ASSERT_TRUE(now[box].found);
    EXPECT_NEAR(now[box].interpolated_ms, whole[box].interpolated_ms, 1.0);
    EXPECT_EQ(now[box].unsure, whole[box].unsure);
  }
  EXPECT_FALSE(now[5].found);
  EXPECT_TRUE(errors.reports.empty());
}

TEST_F(Finish_Window, StripColumnsMoveThePlaybackAndFollowIt) {
  const QString path = Demo("heat.qn3", Heat);
  load_window();
  w->item(QStringLiteral("item_slit_image"))->setChecked(true);
  w->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  Open(path);
  ASSERT_FALSE(ui(w).Frame_slit->isHidden());
  // Above the set-times buttons, under the picture or, on a screen without room, beside it.
  EXPECT_FALSE(ui(w).Frame_slit->geometry().intersects(ui(w).Picture_out->geometry()));
  EXPECT_GT(ui(w).Frame_settimes->y(), ui(w).Frame_slit->geometry().bottom());
  EXPECT_EQ(ui(w).Frame_settimes->x(), ui(w).Frame_slit->x());
  EXPECT_EQ(Read_Ini_Value("Slit", "show_strip", program().Settings_File_Path, {}), "1");

  Slit_Strip& strip = w->slit().Strip();
  ASSERT_TRUE(w->review_session().Field_Mode());
  for (int32_t column : {0, 17, 40, w->slit().Slit()->Columns() - 1}) {
    strip.set_Cursor(column); // scrolled into view
    QTest::mouseClick(&strip, Qt::LeftButton, {}, QPoint(strip.X_Of_Column(column) + 1, Slit_Marks_Height + 20));
    EXPECT_EQ(ui(w).Slider_play->value(), column + 1) << column;
    EXPECT_EQ(strip.Marks().cursor_column, column);
  }
  // The playback's steps move the frame on the strip.
  ui(w).Slider_play->setValue(23);
  EXPECT_EQ(strip.Marks().cursor_column, 22);

  w->item(QStringLiteral("item_slit_image"))->setChecked(false);
  EXPECT_TRUE(ui(w).Frame_slit->isHidden());
  // The buttons take the strip's place.
  EXPECT_FALSE(ui(w).Frame_settimes->geometry().intersects(ui(w).Picture_out->geometry()));
  const bool under = ui(w).Frame_settimes->y() > ui(w).Picture_out->geometry().bottom();
  EXPECT_LT(under ? ui(w).Frame_settimes->y() - ui(w).Picture_out->geometry().bottom()
                  : ui(w).Frame_settimes->y() - ui(w).Picture_out->y(),
            40);
  EXPECT_EQ(Read_Ini_Value("Slit", "show_strip", program().Settings_File_Path, {}), "0");
}

TEST_F(Finish_Window, AcceptedProposalsAreStoredInterpolatedAndMarked) {
  const QString path = Demo("heat.qn3", Heat);
  load_window();
  Open(path);
  cls_VideoFile_handler& h = w->obj_QN3_Handler();
  const Finish_Proposals proposals = w->slit().Proposals();

  QTest::mouseClick(Accept_Button(1), Qt::LeftButton);
  const Finish_Proposal& p1 = proposals[0];
  ASSERT_TRUE(p1.found && p1.interpolated);
  EXPECT_EQ(h.Dora_Heat_time(1, false), std::lround(p1.interpolated_ms));
  EXPECT_NEAR(h.Dora_Heat_time(1, false), 29203, 3);
  EXPECT_EQ(h.Dora_heat_frame(1), p1.field_number); // field mode: the field at or past the line
  const auto stored = Read_Interpolated_Time(h.XML_Header(), 1);
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->field_time_ms, p1.time_ms);
  EXPECT_EQ(h.Dora_Heat_time(2, false), 0); // one box only
  // The results window shows it in italics with the note; the strip marks the box's field.
  Form_Dora_Results* results = Results();
  ASSERT_TRUE(results);
  EXPECT_EQ(results->Shown_Results()[0].Box, 1);
  EXPECT_TRUE(results->Label_time[0]->font().italic());
  EXPECT_TRUE(results->Label_time[0]->toolTip().contains("Interpolated"));
  EXPECT_EQ(w->slit().Strip().Marks().set_column[0], p1.column);

  // All: the dead heat's mark goes on the box the ranking puts second.
  w->item(QStringLiteral("item_accept_all_proposals"))->trigger();
  EXPECT_EQ(h.Dora_Heat_time(3, false), h.Dora_Heat_time(4, false));
  EXPECT_FALSE(h.Dora_dead_heat(3));
  EXPECT_TRUE(h.Dora_dead_heat(4));
  EXPECT_EQ(h.Dora_Heat_time(6, false), 0);
  const auto ranked = Rank_Results(h.XML_Header(), 0);
  EXPECT_EQ(ranked[2].row.Box, 3);
  EXPECT_EQ(ranked[3].row.Box, 4);
  EXPECT_EQ(ranked[3].text.rank, ranked[2].text.rank);

  // A box button afterwards stores the shown field's time: no longer interpolated.
  ui(w).Slider_play->setValue(p1.field_number + 2);
  QTest::mouseClick(ui(w).Command_BOX_set_time[0], Qt::LeftButton);
  EXPECT_NE(h.Dora_Heat_time(1, false), std::lround(p1.interpolated_ms));
  EXPECT_FALSE(Read_Interpolated_Time(h.XML_Header(), 1));
  for (size_t row = 0; row < results->Shown_Results().size(); ++row)
    EXPECT_TRUE(results->Shown_Results()[row].Box != 1 || !results->Label_time[row]->font().italic()) << row;

  // Reopened, the times are what the file holds.
  w->review().Do_Close();
  Open(path);
  EXPECT_EQ(w->obj_QN3_Handler().Dora_Heat_time(2, false), std::lround(proposals[1].interpolated_ms));
  EXPECT_TRUE(errors.reports.empty());
}

TEST_F(Finish_Window, ReadOnlyRecordingsAndNothingToAccept) {
  const QString path = Demo("heat.qn3", Heat);
  QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadUser);
  load_window();
  Open(path);
  ASSERT_TRUE(w->obj_QN3_Handler().Read_only());
  w->item(QStringLiteral("item_accept_all_proposals"))->trigger();
  EXPECT_TRUE(prompts->messages().contains("File is read only!"));
  EXPECT_EQ(w->obj_QN3_Handler().Dora_Heat_time(1, false), 0);
  w->review().Do_Close();
  const int beeps = prompts->beeps();
  w->item(QStringLiteral("item_accept_proposal_1"))->trigger();
  EXPECT_EQ(prompts->beeps(), beeps + 1);
  QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}

TEST_F(Finish_Window, AMovedGoalLineMakesTheSlitAgain) {
  const QString path = Demo("heat.qn3", Heat);
  load_window();
  Open(path);
  const Slit_Line before = w->slit().Slit()->Line();
  Goal_Line moved = w->goal_line().Line(1);
  moved.x1 += 30;
  moved.x2 += 30;
  w->goal_line().set_Line(1, moved);
  ui(w).Slider_play->setValue(5); // the next picture shown notices
  QTRY_VERIFY_WITH_TIMEOUT(w->slit().Slit() && w->slit().Slit()->Line() != before && !w->slit().Building(),
                           Build_Wait_Ms);
  EXPECT_EQ(w->slit().Slit()->Line(), (Slit_Line{moved.x1, moved.y1, moved.x2, moved.y2}));
}

// A realistic heat (three dogs together at the line, the others apart): what the program is not
// sure of is marked apart and left to the operator, who takes it only after being asked.
TEST_F(Finish_Window, UnsureProposalsAreMarkedAndAcceptedOnlyOneByOne) {
  const std::vector<realistic::Heat_Spec> heats = realistic::Table_Heats();
  const realistic::Scene scene = realistic::Scene_Of(heats.at(13), 14);
  const QString path = dir.filePath("real.qn3");
  QString why;
  ASSERT_TRUE(realistic::Write_Recording(scene, path, why)) << why.toStdString();
  load_window();
  Open(path);
  cls_VideoFile_handler& h = w->obj_QN3_Handler();
  const Finish_Proposals proposals = w->slit().Proposals();
  int16_t unsure_box = 0, sure_box = 0;
  for (const Finish_Proposal& p : proposals) {
    if (!p.found) continue;
    QPushButton* b = Accept_Button(p.box);
    EXPECT_EQ(b->property("unsure").toBool(), p.unsure) << p.box;
    EXPECT_EQ(b->text().startsWith("? "), p.unsure) << b->text().toStdString();
    if (p.unsure) {
      EXPECT_FALSE(p.reason.isEmpty());
      EXPECT_TRUE(b->toolTip().contains(p.reason)) << b->toolTip().toStdString();
      unsure_box = unsure_box ? unsure_box : p.box;
    } else {
      sure_box = sure_box ? sure_box : p.box;
    }
  }
  ASSERT_NE(unsure_box, 0) << "the heat shows nothing unsure";
  ASSERT_NE(sure_box, 0) << "the heat shows nothing sure";
  EXPECT_TRUE(w->slit().Status_Text().contains("unsure")) << w->slit().Status_Text().toStdString();

  // "All" takes the sure ones, each near the dog's true crossing, and leaves every unsure one.
  w->item(QStringLiteral("item_accept_all_proposals"))->trigger();
  for (const Finish_Proposal& p : proposals) {
    const int32_t stored = h.Dora_Heat_time(p.box, false);
    if (!p.found || p.unsure) {
      EXPECT_EQ(stored, 0) << p.box;
      continue;
    }
    const double truth = *scene.runners.at(static_cast<size_t>(p.box - 1)).crossing_ms;
    EXPECT_LE(std::abs(stored - truth), std::max(3.0, p.uncertainty_ms) + 0.5) << p.box;
  }

  // One unsure box: asked first; No leaves it alone.
  const Finish_Proposal& u = proposals.at(static_cast<size_t>(unsure_box - 1));
  prompts->answers.push_back(Prompt_Answer::No);
  QTest::mouseClick(Accept_Button(unsure_box), Qt::LeftButton);
  ASSERT_FALSE(prompts->seen.empty());
  EXPECT_TRUE(prompts->seen.back().text.contains(u.reason)) << prompts->seen.back().text.toStdString();
  EXPECT_EQ(h.Dora_Heat_time(unsure_box, false), 0);
  prompts->answers.push_back(Prompt_Answer::Yes);
  QTest::mouseClick(Accept_Button(unsure_box), Qt::LeftButton);
  EXPECT_EQ(h.Dora_Heat_time(unsure_box, false), std::lround(u.interpolated_ms));
  EXPECT_EQ(Unsure_Note(h.XML_Header(), unsure_box), u.reason);

  // The results window shows the time taken from a guess unlike the sure one.
  Form_Dora_Results* results = Results();
  ASSERT_TRUE(results);
  QLabel *unsure_label = nullptr, *sure_label = nullptr;
  for (size_t row = 0; row < results->Shown_Results().size(); ++row) {
    if (results->Shown_Results()[row].Box == unsure_box) unsure_label = results->Label_time[row];
    if (results->Shown_Results()[row].Box == sure_box) sure_label = results->Label_time[row];
  }
  ASSERT_TRUE(unsure_label && sure_label);
  EXPECT_TRUE(unsure_label->property("unsure").toBool());
  EXPECT_FALSE(sure_label->property("unsure").toBool());
  EXPECT_NE(unsure_label->palette().color(QPalette::WindowText), sure_label->palette().color(QPalette::WindowText));
  EXPECT_TRUE(unsure_label->toolTip().contains(u.reason)) << unsure_label->toolTip().toStdString();

  // A box press replaces the guess: the mark goes with it.
  ui(w).Slider_play->setValue(u.field_number);
  QTest::mouseClick(ui(w).Command_BOX_set_time[static_cast<size_t>(unsure_box - 1)], Qt::LeftButton);
  EXPECT_TRUE(Unsure_Note(h.XML_Header(), unsure_box).isEmpty());
  EXPECT_TRUE(errors.reports.empty());
}

} // namespace

namespace {

// A line the slit cannot be taken along is named in the strip, not shown as a strip of turf.
TEST_F(Finish_Window, TheStripSaysWhenTheGoalLineIsMissingOrOutsideThePicture) {
  const QString path = Demo("heat.qn3", Heat);
  load_window();
  Open(path);
  struct Case {
    Goal_Line line;
    const char* says;
  };
  const Case cases[] = {{{0, 0, 0, 0}, "No slit: no goal line is set"},
                        {{199, 10, 650, 800}, "No slit: the goal line lies outside the 400*880 picture"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.says);
    w->goal_line().set_Line(1, c.line);
    w->slit().Recording_Opened();
    QTRY_VERIFY_WITH_TIMEOUT(!w->slit().Building(), Build_Wait_Ms);
    EXPECT_TRUE(w->slit().Status_Text().startsWith(QString::fromLatin1(c.says)))
        << w->slit().Status_Text().toStdString();
    EXPECT_FALSE(w->slit().Slit());
  }
}

} // namespace
