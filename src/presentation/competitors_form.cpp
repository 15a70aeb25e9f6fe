#include "presentation/competitors_form.h"

#include "presentation/named_controls.h"

#include "platform/error_report.h"
#include "platform/prompts.h"
#include "platform/trace.h"
#include "recording/video_file_handler.h"
#include "timing/review_session.h"

#include <QAction>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

const QString form_location = QStringLiteral(" of Form Form_heat_competitors");
constexpr int16_t Event_Heats = 100;

} // namespace

Form_heat_competitors::Form_heat_competitors(QWidget* owner) : QMainWindow(owner) {
  setObjectName(QStringLiteral("Form_heat_competitors"));
  setWindowTitle(QStringLiteral("Doravent heat competitors"));
  setWindowFlag(Qt::Window, true);
  build_controls();
}

Form_heat_competitors::~Form_heat_competitors() = default;

void Form_heat_competitors::build_controls() {
  auto* central = Named(new QWidget(this), QStringLiteral("Form_heat_competitors_client"));
  setCentralWidget(central);
  auto* layout = new QVBoxLayout(central);

  auto* heat = new QHBoxLayout;
  UpDown_heat = Named(new QSpinBox(central), QStringLiteral("UpDown_heat"));
  UpDown_heat->setRange(1, Event_Heats);
  UpDown_heat->setPrefix(QStringLiteral("Heat "));
  Label_heatno = Named(new QLabel(central), QStringLiteral("Label_heatno"));
  heat->addWidget(UpDown_heat);
  heat->addWidget(Label_heatno);
  heat->addStretch(1);
  layout->addLayout(heat);

  Frame_heat_name = Named(new QGroupBox(QStringLiteral("Heat name"), central), QStringLiteral("Frame_heat_name"));
  auto* heat_name = new QVBoxLayout(Frame_heat_name);
  Text_Heat_name = Named(new QLineEdit(Frame_heat_name), QStringLiteral("Text_Heat_name"));
  heat_name->addWidget(Text_Heat_name);
  layout->addWidget(Frame_heat_name);

  Label_dogs_in_heat =
      Named(new QLabel(QStringLiteral("Dogs in this heat"), central), QStringLiteral("Label_dogs_in_heat"));
  Label_boxes = Named(new QLabel(QStringLiteral("1  2  3  4  5  6 "), central), QStringLiteral("Label_boxes"));
  layout->addWidget(Label_dogs_in_heat);
  layout->addWidget(Label_boxes);
  auto* dogs = new QGridLayout;
  for (int i = 0; i < 6; ++i) {
    dogs->addWidget(new QLabel(QString::number(i + 1), central), i, 0);
    QLineEdit* box = Named(new QLineEdit(central), QStringLiteral("Text_dog_name_%1").arg(i));
    box->setMinimumWidth(260);
    Text_dog_name.at(static_cast<size_t>(i)) = box;
    dogs->addWidget(box, i, 1);
    connect(box, &QLineEdit::textEdited, this, [this, i] { typed_dog_.at(static_cast<size_t>(i)) = true; });
    connect(box, &QLineEdit::editingFinished, this, [this, i] {
      if (!typed_dog_.at(static_cast<size_t>(i))) return;
      typed_dog_.at(static_cast<size_t>(i)) = false;
      Text_dog_name_Change(i);
    });
  }
  layout->addLayout(dogs);

  Command_update =
      Named(new QPushButton(QStringLiteral("Update current file"), central), QStringLiteral("Command_update"));
  layout->addWidget(Command_update);
  connect(Command_update, &QPushButton::clicked, this, [this] { Command_update_Click(); });
  connect(UpDown_heat, &QSpinBox::valueChanged, this, [this] { UpDown_heat_Change(); });
  connect(Text_Heat_name, &QLineEdit::textEdited, this, [this] { typed_heat_name_ = true; });
  connect(Text_Heat_name, &QLineEdit::editingFinished, this, [this] {
    if (!typed_heat_name_) return;
    typed_heat_name_ = false;
    Text_Heat_name_Change();
  });

  QMenu* form = menuBar()->addMenu(QStringLiteral("Form"));
  form->setObjectName(QStringLiteral("menu_form"));
  QAction* hide_item = form->addAction(QStringLiteral("Hide"));
  hide_item->setObjectName(QStringLiteral("item_hide"));
  items_.push_back(hide_item);
  // Hiding ends the editing as closing does: the results are shown again at once.
  connect(hide_item, &QAction::triggered, this, &QWidget::close);
}

QAction* Form_heat_competitors::item(const QString& name) const {
  for (QAction* a : items_)
    if (a->objectName() == name) return a;
  return nullptr;
}

void Form_heat_competitors::report(int32_t step, const QString& handler) {
  report_current_exception(step, handler + form_location);
}

cls_VideoFile_handler* Form_heat_competitors::writable_recording() {
  cls_VideoFile_handler* recording = session_ ? &session_->Recording() : nullptr;
  if (!recording || !recording->File_open()) return nullptr;
  if (recording->Read_only()) {
    // Each box would ask again: one refusal per window is enough.
    if (!refused_) Msg_Box(QStringLiteral("File is read only!"));
    refused_ = true;
    return nullptr;
  }
  return recording;
}

bool Form_heat_competitors::write_change(const QString& command, const std::function<void()>& change) {
  if (!session_->Change_Result(command, change, Result_Change::Names)) return false;
  changed_ = true;
  return true;
}

void Form_heat_competitors::Form_Load(int16_t heat) {
  int32_t step = 10;
  try {
    cls_VideoFile_handler* recording = session_ ? &session_->Recording() : nullptr;
    if (recording && recording->File_open()) {
      step = 20;
      // The boxes show what the recording holds; nothing is written until the operator acts.
      const QSignalBlocker quiet(UpDown_heat);
      bool numbered = false;
      const int stored = recording->Dora_Heat_ID().trimmed().toInt(&numbered);
      UpDown_heat->setValue(numbered && stored >= 1 && stored <= Event_Heats ? stored : heat);
      Text_Heat_name->setText(recording->Dora_Heat_Name());
      for (int16_t box = 1; box <= 6; ++box)
        Text_dog_name.at(static_cast<size_t>(box - 1))->setText(recording->Dora_Dog_name(box));
      Label_heatno->setText(QString::number(UpDown_heat->value()));
      return;
    }
    step = 30;
    {
      const QSignalBlocker quiet(UpDown_heat);
      UpDown_heat->setValue(heat);
    }
    UpDown_heat_Change();
  } catch (...) {
    report(step, QStringLiteral("Form_Load"));
  }
}

void Form_heat_competitors::UpDown_heat_Change() {
  int32_t step = 10;
  try {
    const auto heat = static_cast<int16_t>(UpDown_heat->value());
    Label_heatno->setText(QString::number(heat));
    if (!hooks_.event_file_open || !hooks_.event_file_open()) {
      Trace_Message(QStringLiteral("*Form_heat_competitors, no event file for heat"), heat);
      return;
    }
    for (int index = 0; index < 6; ++index) {
      step = 20;
      const auto box = static_cast<int16_t>(index + 1);
      Text_dog_name.at(static_cast<size_t>(index))
          ->setText(hooks_.reg_dog_name ? hooks_.reg_dog_name(heat, box) : QString());
      typed_dog_.at(static_cast<size_t>(index)) = false;
    }
    step = 30;
    Text_Heat_name->setText(hooks_.heat_name ? hooks_.heat_name(heat) : QString());
    typed_heat_name_ = false;
    Label_heatno->setText(QString::number(heat));
    // The recording takes the heat's names in one change: one rewrite, one command in the trail.
    cls_VideoFile_handler* recording = writable_recording();
    if (!recording) return;
    step = 40;
    bool differs = recording->Dora_Heat_Name() != Text_Heat_name->text();
    for (int16_t box = 1; box <= 6; ++box)
      differs |= recording->Dora_Dog_name(box) != Text_dog_name.at(static_cast<size_t>(box - 1))->text();
    if (!differs) return;
    write_change(QStringLiteral("Heat competitors, heat ") + QString::number(heat), [&] {
      for (int16_t box = 1; box <= 6; ++box) {
        const QString name = Text_dog_name.at(static_cast<size_t>(box - 1))->text();
        if (recording->Dora_Dog_name(box) != name) recording->set_Dora_Dog_name(box, name);
      }
      if (recording->Dora_Heat_Name() != Text_Heat_name->text()) recording->set_Dora_Heat_Name(Text_Heat_name->text());
    });
  } catch (...) {
    report(step, QStringLiteral("UpDown_heat_Change"));
  }
}

void Form_heat_competitors::Text_dog_name_Change(int index) {
  int32_t step = 10;
  try {
    cls_VideoFile_handler* recording = writable_recording();
    if (!recording || index < 0 || index >= 6) return;
    step = 20;
    const auto box = static_cast<int16_t>(index + 1);
    const QString name = Text_dog_name.at(static_cast<size_t>(index))->text();
    // The same name again would only lengthen the audit trail.
    if (recording->Dora_Dog_name(box) == name) return;
    if (!write_change(QStringLiteral("Heat competitors, dog name"), [&] { recording->set_Dora_Dog_name(box, name); }))
      return;
  } catch (...) {
    report(step, QStringLiteral("Text_dog_name_Change"));
  }
}

void Form_heat_competitors::Text_Heat_name_Change() {
  int32_t step = 10;
  try {
    Label_heatno->setText(QString::number(UpDown_heat->value()));
    cls_VideoFile_handler* recording = writable_recording();
    if (!recording) return;
    step = 20;
    const QString name = Text_Heat_name->text();
    if (recording->Dora_Heat_Name() == name) return;
    if (!write_change(QStringLiteral("Heat competitors, heat name"), [&] { recording->set_Dora_Heat_Name(name); }))
      return;
  } catch (...) {
    report(step, QStringLiteral("Text_Heat_name_Change"));
  }
}

void Form_heat_competitors::Command_update_Click() {
  int32_t step = 10;
  try {
    cls_VideoFile_handler* recording = writable_recording();
    if (!recording) {
      Beep();
      return;
    }
    step = 20;
    std::array<QString, 6> names;
    for (std::size_t i = 0; i < names.size(); ++i) {
      names.at(i) = Text_dog_name.at(i)->text();
      typed_dog_.at(i) = false;
    }
    if (!write_change(QStringLiteral("Update current file"), [&] {
          for (int16_t box = 1; box <= 6; ++box)
            recording->set_Dora_Dog_name(box, names.at(static_cast<size_t>(box - 1)));
        }))
      return;
  } catch (...) {
    report(step, QStringLiteral("Command_update_Click"));
  }
}

void Form_heat_competitors::finish_typed_boxes() {
  for (std::size_t i = 0; i < typed_dog_.size(); ++i)
    if (typed_dog_.at(i)) {
      typed_dog_.at(i) = false;
      Text_dog_name_Change(static_cast<int>(i));
    }
  if (typed_heat_name_) {
    typed_heat_name_ = false;
    Text_Heat_name_Change();
  }
}

void Form_heat_competitors::closeEvent(QCloseEvent* event) {
  int32_t step = 10;
  try {
    // Every change reached the file when it was made; a box still being typed in is finished
    // now, so closing keeps what the operator sees.
    finish_typed_boxes();
    step = 20;
    if (hooks_.display_results) hooks_.display_results();
  } catch (...) {
    report(step, QStringLiteral("Form_Unload"));
  }
  QMainWindow::closeEvent(event);
}
