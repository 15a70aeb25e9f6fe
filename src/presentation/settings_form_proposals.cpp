// The finish proposals' settings: the rows of jackets the dogs wear and the direction they run.
#include "platform/error_report.h"
#include "platform/program_info.h"
#include "platform/settings.h"
#include "presentation/settings_form.h"
#include "timing/proposal_settings.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QVBoxLayout>

namespace {

const QString form_location = QStringLiteral(" of Form Form_Doravent_settings");

QComboBox* add_choice(QFormLayout* layout, const QString& caption, const QString& name, const QStringList& choices) {
  auto* box = new QComboBox;
  box->setObjectName(name);
  box->addItems(choices);
  layout->addRow(caption, box);
  return box;
}

} // namespace

void Form_Doravent_settings::build_proposal_controls(QVBoxLayout* layout) {
  Frame_proposals = new QGroupBox(QStringLiteral("Finish proposals"));
  Frame_proposals->setObjectName(QStringLiteral("Frame_proposals"));
  auto* form = new QFormLayout(Frame_proposals);
  Combo_jacket_colours =
      add_choice(form, QStringLiteral("Jacket colours"), QStringLiteral("Combo_jacket_colours"), Jacket_Rows_Choices());
  Combo_jacket_colours->setToolTip(
      QStringLiteral("Automatic: the synthetic camera's colours for its recordings, the common rows for every other"));
  Combo_direction =
      add_choice(form, QStringLiteral("Direction of travel"), QStringLiteral("Combo_direction"), Direction_Choices());
  layout->addWidget(Frame_proposals);
  connect(Combo_jacket_colours, &QComboBox::activated, this, [this] {
    Choice_Change(Combo_jacket_colours, Jacket_Rows_Key, QStringLiteral("Combo_jacket_colours_Click"));
  });
  connect(Combo_direction, &QComboBox::activated, this,
          [this] { Choice_Change(Combo_direction, Direction_Key, QStringLiteral("Combo_direction_Click")); });
}

void Form_Doravent_settings::Load_Proposals() {
  const Proposal_Settings s = Read_Proposal_Settings(program().Settings_File_Path);
  Combo_jacket_colours->setCurrentIndex(
      s.rows ? static_cast<int>(Jacket_Rows_Choices().indexOf(Jacket_Rows_Text(*s.rows))) : 0);
  Combo_direction->setCurrentIndex(static_cast<int>(Direction_Choices().indexOf(Direction_Text(s.direction))));
}

void Form_Doravent_settings::Choice_Change(QComboBox* box, const QString& key, const QString& handler) {
  try {
    Write_Ini_Value(Proposal_Section, key, box->currentText(), program().Settings_File_Path);
  } catch (...) {
    report_current_exception(10, handler + form_location);
  }
}
