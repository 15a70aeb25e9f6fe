// Every way the window stores a box's time goes through the one result change: on a declared
// result each is refused as a box press is, and on a provisional one each leaves its entry in the
// audit trail and fresh result files.
#include "app/form_doravent.h"
#include "app/results_controller.h"
#include "app/review_controller.h"
#include "app/slit_controller.h"
#include "app/subfield_controller.h"
#include "demo_window.h"
#include "metadata/xml_header.h"
#include "platform/settings.h"
#include "presentation/results_form.h"
#include "recording/audit_trail.h"
#include "recording/video_file_handler.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <functional>

namespace {

QByteArray bytes_of(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Box 2 crosses 7 ms after the field at 29400; the fields either side of the line.
constexpr int32_t Before_Field = 31;
constexpr int32_t After_Field = 32;

struct Result_Paths : Demo_Window {
  QString results;
  QString path;

  void open() {
    results = dir.filePath(QStringLiteral("results"));
    ASSERT_EQ(Write_Ini_Value("Settings", "results_folder", results, program().Settings_File_Path), 1);
    path = Demo("heat.qn3", {"--crossings", "-,29407,-,-,-,-", "--from", "28800", "--to", "29800"});
    load_window();
    ASSERT_TRUE(w->review().Handle_Open(path));
    QTRY_VERIFY_WITH_TIMEOUT(!w->slit().Building(), 30000);
    ASSERT_TRUE(w->slit().Proposals()[1].found);
  }
  QPushButton* button(const char* name) const { return w->findChild<QPushButton*>(QString::fromLatin1(name)); }
  QStringList trail_commands() {
    const Audit_Check c = Check_Audit_Trail(bytes_of(Audit_Trail_Path(path)),
                                            Parse_Audit_Head(w->obj_QN3_Handler().XML_Header().Dora_Audit_Head()));
    EXPECT_TRUE(c.holds()) << c.why.toStdString();
    QStringList lines;
    for (const Audit_Entry& e : c.entries)
      lines << e.command + " | " + e.what;
    return lines;
  }
  QString published_time(int16_t box) {
    const QString json = results + QLatin1Char('/') + QFileInfo(path).completeBaseName() + QStringLiteral(".json");
    for (const QJsonValue row : QJsonDocument::fromJson(bytes_of(json)).array())
      if (row.toObject()["box"].toInt() == box) return row.toObject()["time"].toString();
    return {};
  }
};

struct Path_Case {
  const char* command; // as the audit trail names it
  std::function<void(Result_Paths&)> store_box_2;
};

const Path_Case Paths[] = {
    {"Box 2 button",
     [](Result_Paths& t) {
       ui(t.w).Slider_play->setValue(After_Field);
       ui(t.w).Command_BOX_set_time[1]->click();
     }},
    {"Accept proposal, box 2", [](Result_Paths& t) { t.button("Cmd_accept_proposal_1")->click(); }},
    {"Accept all proposals", [](Result_Paths& t) { t.button("Cmd_accept_all_proposals")->click(); }},
    {"Time between fields, box 2",
     [](Result_Paths& t) {
       t.w->item(QStringLiteral("item_subfield_box_2"))->trigger();
       ui(t.w).Slider_play->setValue(Before_Field);
       t.w->subfield().Mark(QPointF(186.3, 340.5));
       t.prompts->answers = {Prompt_Answer::Yes};
       ui(t.w).Slider_play->setValue(After_Field);
       t.w->subfield().Mark(QPointF(226.7, 340.5));
     }},
};

TEST_F(Result_Paths, ADeclaredResultRefusesEveryWayOfStoringATime) {
  open();
  Form_Dora_Results& form = w->results().Results_Form();
  form.item("item_declare_official")->trigger();
  ASSERT_EQ(form.Label_result_state->text(), "Official");
  const QByteArray declared = bytes_of(path);
  const QString refusal = "The result is Official: reopen it with a reason to change times.";
  for (const Path_Case& c : Paths) {
    SCOPED_TRACE(c.command);
    prompts->seen.clear();
    c.store_box_2(*this);
    EXPECT_EQ(prompts->messages(), QStringList{refusal});
    EXPECT_EQ(w->obj_QN3_Handler().Dora_Heat_time(2, false), 0);
    EXPECT_EQ(bytes_of(path), declared);
  }
  EXPECT_TRUE(errors.reports.empty());
}

TEST_F(Result_Paths, EveryWayOfStoringATimeIsAuditedAndPublished) {
  for (const Path_Case& c : Paths) {
    SCOPED_TRACE(c.command);
    open();
    c.store_box_2(*this);
    const int32_t stored = w->obj_QN3_Handler().Dora_Heat_time(2, false);
    EXPECT_NEAR(stored, 29407, 21) << "the field at or past the line, or the crossing between them";
    EXPECT_TRUE(trail_commands().contains(QString::fromLatin1(c.command) + " | box 2 time"))
        << trail_commands().join('\n').toStdString();
    EXPECT_TRUE(published_time(2).startsWith("29,4")) << published_time(2).toStdString();
    EXPECT_TRUE(errors.reports.empty());
    w->review().Do_Close();
    w.reset();
    for (const QString& name : {path, Audit_Trail_Path(path)})
      QFile::remove(name);
  }
}

} // namespace
