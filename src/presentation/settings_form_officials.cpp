// The officials' settings: the beaten distances' seconds per length and "dis" limit, and the
// folder the result files are written to.
#include "platform/error_report.h"
#include "platform/program_info.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "presentation/settings_form.h"
#include "timing/beaten_distance.h"
#include "timing/result_files.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString form_location = QStringLiteral(" of Form Form_Doravent_settings");
const QString settings_section = QStringLiteral("Settings");

QLineEdit* add_rule_box(QVBoxLayout* layout, const QString& caption, const QString& name) {
  auto* row = new QHBoxLayout;
  auto* label = new QLabel(caption);
  auto* box = new QLineEdit;
  box->setObjectName(name);
  row->addWidget(label);
  row->addWidget(box);
  layout->addLayout(row);
  return box;
}

} // namespace

void Form_Doravent_settings::build_officials_controls(QVBoxLayout* layout) {
  Frame_distances = new QGroupBox(QStringLiteral("Beaten distances"));
  Frame_distances->setObjectName(QStringLiteral("Frame_distances"));
  auto* distances = new QVBoxLayout(Frame_distances);
  Text_seconds_per_length =
      add_rule_box(distances, QStringLiteral("Seconds per length"), QStringLiteral("Text_seconds_per_length"));
  Text_dis_limit = add_rule_box(distances, QStringLiteral("\"dis\" beyond lengths"), QStringLiteral("Text_dis_limit"));
  layout->addWidget(Frame_distances);

  Frame_results_folder = new QGroupBox(QStringLiteral("Result files folder"));
  Frame_results_folder->setObjectName(QStringLiteral("Frame_results_folder"));
  auto* folder = new QHBoxLayout(Frame_results_folder);
  Label_results_folder = new QLabel;
  Label_results_folder->setObjectName(QStringLiteral("Label_results_folder"));
  Label_results_folder->setTextInteractionFlags(Qt::TextSelectableByMouse);
  Command_results_folder = new QPushButton(QStringLiteral("Choose..."));
  Command_results_folder->setObjectName(QStringLiteral("Command_results_folder"));
  Command_results_folder->setAutoDefault(false);
  folder->addWidget(Label_results_folder, 1);
  folder->addWidget(Command_results_folder);
  layout->addWidget(Frame_results_folder);

  connect(Text_seconds_per_length, &QLineEdit::textEdited, this, [this] {
    Rule_Change(Text_seconds_per_length, QStringLiteral("seconds_per_length"),
                QStringLiteral("Text_seconds_per_length_Change"));
  });
  connect(Text_dis_limit, &QLineEdit::textEdited, this, [this] {
    Rule_Change(Text_dis_limit, QStringLiteral("dis_limit"), QStringLiteral("Text_dis_limit_Change"));
  });
  connect(Command_results_folder, &QPushButton::clicked, this, [this] { Command_results_folder_Click(); });
}

void Form_Doravent_settings::Load_Officials() {
  // The rules in force, which a bad stored value leaves at their defaults.
  const QString path = program().Settings_File_Path;
  const Distance_Rules rules = Read_Distance_Rules(path);
  Text_seconds_per_length->setText(QString::number(rules.seconds_per_length));
  Text_dis_limit->setText(QString::number(rules.dis_limit_lengths));
  for (QLineEdit* box : {Text_seconds_per_length, Text_dis_limit})
    box->setToolTip({});
  Label_results_folder->setText(Results_Folder(path));
}

void Form_Doravent_settings::Rule_Change(QLineEdit* box, const QString& key, const QString& handler) {
  try {
    if (!Positive_Setting_Value(box->text())) {
      box->setToolTip(QStringLiteral("Not a positive number: the value in force stays"));
      return;
    }
    box->setToolTip({});
    Write_Ini_Value(settings_section, key, box->text().trimmed(), program().Settings_File_Path);
    Q_EMIT result_settings_changed();
  } catch (...) {
    report_current_exception(10, handler + form_location);
  }
}

void Form_Doravent_settings::Command_results_folder_Click() {
  int32_t step = 10;
  try {
    const QString path = program().Settings_File_Path;
    const QString chosen = prompts().select_folder(QStringLiteral("Result files folder"), Results_Folder(path));
    if (chosen.isEmpty()) return;
    step = 20;
    Write_Ini_Value(settings_section, QStringLiteral("results_folder"), chosen, path);
    Label_results_folder->setText(Results_Folder(path));
  } catch (...) {
    report_current_exception(step, "Command_results_folder_Click" + form_location);
  }
}
