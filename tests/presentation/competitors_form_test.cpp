// The heat competitors window over a real recording file.
#include "presentation/competitors_form.h"

#include "mock/recorded_errors.h"
#include "mock/review_recordings.h"
#include "mock/scripted_prompts.h"
#include "platform/program_info.h"
#include "recording/audit_trail.h"
#include "recording/video_file_handler.h"
#include "timing/review_session.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <array>
#include <memory>

namespace {

QByteArray read_file(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The names a recording file holds, read back by a handler of its own.
std::array<QString, 6> names_in_file(const QString& path) {
  cls_VideoFile_handler reader;
  std::array<QString, 6> names;
  if (!reader.Open_File(path, true)) return names;
  for (int16_t box = 1; box <= 6; ++box)
    names.at(static_cast<size_t>(box - 1)) = reader.Dora_Dog_name(box);
  reader.Close_File();
  return names;
}

// The entries of the recording's audit trail, as "what: old -> new".
QStringList audit_entries(const QString& path) {
  QStringList out;
  for (const Audit_Entry& e : Check_Audit_Trail(Read_Audit_Trail(Audit_Trail_Path(path)), std::nullopt).entries)
    out << e.command + " | " + e.what + ": " + e.old_value + " -> " + e.new_value;
  return out;
}

// The operator types into a box and leaves it with Enter.
void type_into(QLineEdit* box, const QString& text) {
  box->selectAll();
  QTest::keyClicks(box, text);
  QTest::keyClick(box, Qt::Key_Return);
}

QString heat_name_in_file(const QString& path) {
  cls_VideoFile_handler reader;
  if (!reader.Open_File(path, true)) return {};
  const QString name = reader.Dora_Heat_Name();
  reader.Close_File();
  return name;
}

struct Competitors : ::testing::Test {
  Prompts_Guard prompts;
  Recorded_Errors errors;
  QTemporaryDir dir;
  QString path;
  Review_Session session;
  cls_VideoFile_handler& recording = session.Recording();
  bool event_file = true;
  int handled = 0;
  int displayed = 0;
  std::unique_ptr<Form_heat_competitors> form;

  void SetUp() override {
    program() = Program_Info{};
    path = dir.filePath(QStringLiteral("heat.qn3"));
    review_recordings::Spec spec;
    spec.heat_id = QStringLiteral("2");
    spec.heat_name = QStringLiteral("Stored heat");
    ASSERT_TRUE(review_recordings::Write(path, spec));
  }
  void TearDown() override {
    form.reset();
    recording.Close_File();
  }

  void open_recording() {
    ASSERT_TRUE(recording.Open_File(path, true));
    for (int16_t box = 1; box <= 6; ++box)
      recording.set_Dora_Dog_name(box, QStringLiteral("Stored %1").arg(box));
    ASSERT_TRUE(recording.Write_XML_Header());
  }

  // The event file: heat h, box b holds "H<h> dog <b>"; heat h is called "Heat <h> name".
  void load(int16_t heat) {
    form = std::make_unique<Form_heat_competitors>();
    Competitors_Hooks hooks;
    hooks.event_file_open = [this] { return event_file; };
    hooks.heat_name = [this](int16_t h) { return event_file ? QStringLiteral("Heat %1 name").arg(h) : QString(); };
    hooks.reg_dog_name = [this](int16_t h, int16_t b) {
      return event_file ? QStringLiteral("H%1 dog %2").arg(h).arg(b) : QString();
    };
    hooks.display_results = [this] { ++displayed; };
    form->set_Hooks(std::move(hooks));
    form->set_Session(&session);
    // Each change the window makes ranks the results again.
    QObject::connect(&session, &Review_Session::results_changed, form.get(), [this] { ++handled; });
    form->Form_Load(heat);
  }

  QStringList boxes() const {
    QStringList out;
    for (QLineEdit* box : form->Text_dog_name)
      out << box->text();
    return out;
  }
};

} // namespace

TEST_F(Competitors, WithoutARecordingOnlyTheEventFilesNamesAreShown) {
  load(5);
  EXPECT_EQ(form->windowTitle(), "Doravent heat competitors");
  EXPECT_EQ(form->UpDown_heat->value(), 5);
  EXPECT_EQ(boxes(), (QStringList{"H5 dog 1", "H5 dog 2", "H5 dog 3", "H5 dog 4", "H5 dog 5", "H5 dog 6"}));
  EXPECT_EQ(form->Text_Heat_name->text(), "Heat 5 name");
  EXPECT_EQ(form->Label_heatno->text(), "5");

  const QByteArray before = read_file(path);
  form->UpDown_heat->setValue(6);
  EXPECT_EQ(boxes().at(0), "H6 dog 1");
  type_into(form->Text_dog_name.at(2), QStringLiteral("Typed"));
  form->Command_update->click();
  form->close();
  EXPECT_FALSE(form->Changed());
  EXPECT_EQ(handled, 0);
  EXPECT_EQ(read_file(path), before);
  EXPECT_EQ(prompts->beeps(), 1); // "Update current file" with nothing to update
  EXPECT_TRUE(errors.reports.empty());
}

TEST_F(Competitors, OpeningShowsTheRecordingAndWritesNothing) {
  open_recording();
  const QByteArray before = read_file(path);
  load(9);
  EXPECT_EQ(form->UpDown_heat->value(), 2); // the recording's own heat
  EXPECT_EQ(boxes(), (QStringList{"Stored 1", "Stored 2", "Stored 3", "Stored 4", "Stored 5", "Stored 6"}));
  EXPECT_EQ(form->Text_Heat_name->text(), "Stored heat");
  EXPECT_FALSE(form->Changed());
  EXPECT_EQ(handled, 0);
  EXPECT_EQ(read_file(path), before);
}

TEST_F(Competitors, SteppingTheHeatCopiesItsNamesIntoTheRecording) {
  open_recording();
  load(1);
  form->UpDown_heat->setValue(3);
  EXPECT_EQ(boxes(), (QStringList{"H3 dog 1", "H3 dog 2", "H3 dog 3", "H3 dog 4", "H3 dog 5", "H3 dog 6"}));
  EXPECT_EQ(form->Label_heatno->text(), "3");
  EXPECT_TRUE(form->Changed());
  EXPECT_EQ(handled, 1); // the heat's names in one change: one rewrite, one ranking
  for (int16_t box = 1; box <= 6; ++box)
    EXPECT_EQ(recording.Dora_Dog_name(box), QStringLiteral("H3 dog %1").arg(box));
  EXPECT_EQ(recording.Dora_Heat_Name(), "Heat 3 name");

  form->close();
  EXPECT_EQ(displayed, 1);
  const auto stored = names_in_file(path);
  for (int16_t box = 1; box <= 6; ++box)
    EXPECT_EQ(stored.at(static_cast<size_t>(box - 1)), QStringLiteral("H3 dog %1").arg(box));
  EXPECT_EQ(heat_name_in_file(path), "Heat 3 name");
  EXPECT_TRUE(errors.reports.empty());
}

TEST_F(Competitors, ATypedNameIsOneChangeWhenTheBoxIsLeft) {
  open_recording();
  load(1);
  const QStringList before = audit_entries(path);
  QLineEdit* box = form->Text_dog_name.at(1);
  box->selectAll();
  QTest::keyClicks(box, QStringLiteral("Lightning"));
  // Nothing reaches the file key by key.
  EXPECT_EQ(names_in_file(path).at(1), "Stored 2");
  EXPECT_EQ(handled, 0);
  QTest::keyClick(box, Qt::Key_Return);
  EXPECT_EQ(names_in_file(path).at(1), "Lightning");
  EXPECT_EQ(handled, 1);
  type_into(form->Text_Heat_name, QStringLiteral("Final"));
  EXPECT_EQ(heat_name_in_file(path), "Final");

  // One entry in the audit trail for each finished name.
  const QStringList after = audit_entries(path).mid(before.size());
  ASSERT_EQ(after.size(), 2) << after.join('\n').toStdString();
  EXPECT_TRUE(after.at(0).endsWith("Stored 2 -> Lightning")) << after.at(0).toStdString();
  EXPECT_TRUE(after.at(1).endsWith("Stored heat -> Final")) << after.at(1).toStdString();
}

TEST_F(Competitors, UpdateWritesAllSixAndClosingFinishesABoxBeingTyped) {
  open_recording();
  load(1);
  // Typed but not left: "Update current file" takes it with the others.
  form->Text_dog_name.at(4)->selectAll();
  QTest::keyClicks(form->Text_dog_name.at(4), QStringLiteral("Quiet"));
  EXPECT_EQ(names_in_file(path).at(4), "Stored 5");
  form->Command_update->click();
  EXPECT_EQ(names_in_file(path).at(4), "Quiet");

  form->Text_dog_name.at(0)->selectAll();
  QTest::keyClicks(form->Text_dog_name.at(0), QStringLiteral("Last"));
  form->close();
  EXPECT_EQ(names_in_file(path).at(0), "Last");
  EXPECT_EQ(displayed, 1);
}

TEST_F(Competitors, WithoutAnEventFileSteppingKeepsTheNames) {
  open_recording();
  event_file = false;
  load(1);
  const QByteArray before = read_file(path);
  form->UpDown_heat->setValue(4);
  EXPECT_EQ(boxes().at(0), "Stored 1");
  EXPECT_EQ(form->Label_heatno->text(), "4");
  EXPECT_FALSE(form->Changed());
  EXPECT_EQ(read_file(path), before);
}

TEST_F(Competitors, AReadOnlyRecordingIsRefusedOnceAndNotWritten) {
  QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
  ASSERT_TRUE(recording.Open_File(path, true));
  ASSERT_TRUE(recording.Read_only());
  const QByteArray before = read_file(path);
  load(1);
  form->UpDown_heat->setValue(3);
  form->close();
  EXPECT_EQ(prompts->messages(), QStringList{"File is read only!"});
  EXPECT_FALSE(form->Changed());
  EXPECT_EQ(read_file(path), before);
  QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}

TEST_F(Competitors, HideEndsTheEditingLikeClosing) {
  open_recording();
  load(1);
  form->show();
  form->item("item_hide")->trigger();
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(displayed, 1);
}
