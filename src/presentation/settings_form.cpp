#include "presentation/settings_form.h"

#include "platform/error_report.h"
#include "platform/memory_available.h"
#include "platform/program_info.h"
#include "platform/prompts.h"
#include "platform/settings.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

namespace {

const QString form_location = QStringLiteral(" of Form Form_Doravent_settings");
const QString settings_section = QStringLiteral("Settings");

std::unique_ptr<Form_Doravent_settings>& the_instance() {
  static std::unique_ptr<Form_Doravent_settings> window;
  return window;
}

// The character code a key press types, as the system numbers them; -1 for keys that type no
// character (arrows, Home, End, Delete, function keys), which edit the box as usual.
int Typed_Key_Code(const QKeyEvent& event) {
  switch (event.key()) {
  case Qt::Key_Backspace: return 8;
  case Qt::Key_Tab:
  case Qt::Key_Backtab: return 9;
  case Qt::Key_Return:
  case Qt::Key_Enter: return 13;
  case Qt::Key_Escape: return 27;
  default: break;
  }
  const Qt::KeyboardModifiers mods = event.modifiers();
  if (mods & (Qt::AltModifier | Qt::MetaModifier)) return -1;
  if ((mods & Qt::ControlModifier) && event.key() >= Qt::Key_A && event.key() <= Qt::Key_Z) {
    return event.key() - Qt::Key_A + 1;
  }
  const QString text = event.text();
  if (text.isEmpty()) return -1;
  const QChar c = text.at(0);
  if (c.unicode() < 32 || c.unicode() == 127) return -1;
  return c.unicode();
}

QLineEdit* add_delay_box(QVBoxLayout* layout, QGroupBox*& frame, const QString& frame_name, const QString& caption,
                         const QString& box_name) {
  frame = new QGroupBox(caption);
  frame->setObjectName(frame_name);
  auto* box = new QLineEdit(frame);
  box->setObjectName(box_name);
  auto* frame_layout = new QHBoxLayout(frame);
  frame_layout->addWidget(box);
  layout->addWidget(frame);
  return box;
}

QCheckBox* add_check(QVBoxLayout* layout, const QString& name, const QString& caption) {
  auto* box = new QCheckBox(caption);
  box->setObjectName(name);
  layout->addWidget(box);
  return box;
}

QString Held_Frames_Tip() {
  return QStringLiteral("Past this (at most %1 MB, and half the memory free), held frames are written at once")
      .arg(Held_Frames_Cap_MB);
}

} // namespace

Form_Doravent_settings::Form_Doravent_settings(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form_Doravent_settings"));
  setWindowTitle(QStringLiteral("Doravent Settings"));
  auto* layout = new QVBoxLayout(this);

  Frame_various = new QGroupBox(QStringLiteral("Various settings"));
  Frame_various->setObjectName(QStringLiteral("Frame_various"));
  auto* various = new QVBoxLayout(Frame_various);
  Check_Auto_init = add_check(various, QStringLiteral("Check_Auto_init"),
                              QStringLiteral("Automatically initiate file on start signal"));
  Check_print_dialog =
      add_check(various, QStringLiteral("Check_print_dialog"), QStringLiteral("Show printer dialog on Print commands"));
  Check_open_after_finish = add_check(various, QStringLiteral("Check_open_after_finish"),
                                      QStringLiteral("Automatically open last heat after Heat Finish"));
  Check_write_while_capturing =
      add_check(various, QStringLiteral("Check_write_while_capturing"),
                QStringLiteral("Write frames to the recording while the camera trigger is held"));
  {
    auto* row = new QHBoxLayout;
    auto* caption = new QLabel(QStringLiteral("Most memory for held frames, MB"));
    Text_held_frames_mb = new QLineEdit;
    Text_held_frames_mb->setObjectName(QStringLiteral("Text_held_frames_mb"));
    Text_held_frames_mb->setPlaceholderText(QString::number(Held_Frames_Cap_MB));
    Text_held_frames_mb->setToolTip(Held_Frames_Tip());
    row->addWidget(caption);
    row->addWidget(Text_held_frames_mb);
    various->addLayout(row);
  }
  layout->addWidget(Frame_various);

  Text_Box_delay = add_delay_box(layout, Frame_Box_delay, QStringLiteral("Frame_Box_delay"),
                                 QStringLiteral("Box delay ms"), QStringLiteral("Text_Box_delay"));
  Text_goalcam_delay =
      add_delay_box(layout, Frame_video_pipe, QStringLiteral("Frame_video_pipe"),
                    QStringLiteral("Video pipe goalcam delay ms"), QStringLiteral("Text_goalcam_delay"));
  Text_splitcam_delay =
      add_delay_box(layout, Frame1, QStringLiteral("Frame1"), QStringLiteral("Video pipe splitcam delay ms"),
                    QStringLiteral("Text_splitcam_delay"));

  build_officials_controls(layout);
  build_proposal_controls(layout);

  Command_hide = new QPushButton(QStringLiteral("Hide"));
  Command_hide->setObjectName(QStringLiteral("Command_hide"));
  Command_hide->setAutoDefault(false);
  layout->addWidget(Command_hide);

  connect(Check_Auto_init, &QCheckBox::clicked, this, [this] {
    Check_Click(Check_Auto_init, QStringLiteral("auto_init"), QStringLiteral("Check_Auto_init_Click"));
  });
  connect(Check_print_dialog, &QCheckBox::clicked, this, [this] {
    Check_Click(Check_print_dialog, QStringLiteral("show_printer_dialog"), QStringLiteral("Check_print_dialog_Click"));
  });
  connect(Check_open_after_finish, &QCheckBox::clicked, this, [this] {
    Check_Click(Check_open_after_finish, QStringLiteral("open_after_finish"),
                QStringLiteral("Check_open_after_finish_Click"));
  });
  connect(Check_write_while_capturing, &QCheckBox::clicked, this, [this] {
    Check_Click(Check_write_while_capturing, QStringLiteral("write_while_capturing"),
                QStringLiteral("Check_write_while_capturing_Click"));
  });
  connect(Text_held_frames_mb, &QLineEdit::textEdited, this, [this] { Held_Frames_Change(); });
  connect(Text_Box_delay, &QLineEdit::textChanged, this, [this] {
    Text_Change(Text_Box_delay, QStringLiteral("Box_delay"), QStringLiteral("Text_Box_delay_Change"));
  });
  connect(Text_goalcam_delay, &QLineEdit::textChanged, this, [this] {
    Text_Change(Text_goalcam_delay, QStringLiteral("goal_compensation"), QStringLiteral("Text_goalcam_delay_Change"));
  });
  connect(Text_splitcam_delay, &QLineEdit::textChanged, this, [this] {
    Text_Change(Text_splitcam_delay, QStringLiteral("split_compensation"),
                QStringLiteral("Text_splitcam_delay_Change"));
  });
  connect(Command_hide, &QPushButton::clicked, this, [this] { Command_hide_Click(); });

  for (QLineEdit* box :
       {Text_Box_delay, Text_goalcam_delay, Text_splitcam_delay, Text_seconds_per_length, Text_dis_limit})
    box->installEventFilter(this);

  Form_Load();
}

Form_Doravent_settings::~Form_Doravent_settings() = default;

Form_Doravent_settings& Form_Doravent_settings::instance() {
  auto& window = the_instance();
  if (!window) {
    window = std::make_unique<Form_Doravent_settings>();
    // Widgets must go before the application object does.
    static const bool registered = [] {
      qAddPostRoutine(&Form_Doravent_settings::Unload_Instance);
      return true;
    }();
    (void)registered;
  }
  return *window;
}

void Form_Doravent_settings::Unload_Instance() { the_instance().reset(); }

bool Form_Doravent_settings::auto_init() const { return Check_Auto_init->isChecked(); }
bool Form_Doravent_settings::show_printer_dialog() const { return Check_print_dialog->isChecked(); }
bool Form_Doravent_settings::open_after_finish() const { return Check_open_after_finish->isChecked(); }

void Form_Doravent_settings::Form_Load() {
  int32_t step = 10;
  try {
    // Filling the boxes writes the keys and reloads the delays, as a typed change would. Each
    // reload reads the boxes not yet filled from the file, so the delays in force are taken
    // first and put back: the boxes and the delays then agree even when a write failed.
    const int32_t box_ms = program().Box_Delay_Ms;
    const int32_t goal_ms = program().Goal_Delay_Ms;
    const int32_t split_ms = program().Split_Delay_Ms;
    Text_Box_delay->setText(QString::number(box_ms));
    step = 20;
    Text_goalcam_delay->setText(QString::number(goal_ms));
    step = 30;
    Text_splitcam_delay->setText(QString::number(split_ms));
    program().Box_Delay_Ms = box_ms;
    program().Goal_Delay_Ms = goal_ms;
    program().Split_Delay_Ms = split_ms;
    step = 40;
    Load_Check(Check_Auto_init, QStringLiteral("auto_init"));
    step = 50;
    Load_Check(Check_print_dialog, QStringLiteral("show_printer_dialog"));
    step = 60;
    Load_Check(Check_open_after_finish, QStringLiteral("open_after_finish"));
    Load_Check(Check_write_while_capturing, QStringLiteral("write_while_capturing"), true);
    {
      const int64_t mb = Setting_Number(QStringLiteral("held_frames_mb"), 0);
      Text_held_frames_mb->setText(mb > 0 ? QString::number(mb) : QString());
    }
    step = 70;
    Load_Officials();
    step = 80;
    Load_Proposals();
  } catch (...) {
    report_current_exception(step, "Form_Load" + form_location);
  }
}

// A value that is not a whole number is reported and leaves the box clear; the others still load.
void Form_Doravent_settings::Load_Check(QCheckBox* box, const QString& key, bool default_on) {
  const QString value = Read_Ini_Value(settings_section, key, program().Settings_File_Path,
                                       default_on ? QStringLiteral("1") : QStringLiteral("0"));
  bool ok = false;
  const int number = value.trimmed().toInt(&ok);
  box->setChecked(ok && number != 0);
  if (!ok) QNV_Error_Handler(QStringLiteral("Type mismatch"), 13, 10, "Form_Load" + form_location, key + " = " + value);
}

bool Form_Doravent_settings::Delay_Key_Allowed(int code) {
  if (code >= '0' && code <= '9') return true;
  return code == 8 || code == 9 || code == 12 || code == 46;
}

bool Form_Doravent_settings::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
  if (watched != Text_Box_delay && watched != Text_goalcam_delay && watched != Text_splitcam_delay &&
      watched != Text_seconds_per_length && watched != Text_dis_limit) {
    return QDialog::eventFilter(watched, event);
  }
  const int code = Typed_Key_Code(*static_cast<QKeyEvent*>(event));
  if (code < 0 || Delay_Key_Allowed(code)) return false;
  Beep();
  return true;
}

void Form_Doravent_settings::showEvent(QShowEvent* event) {
  // Showing again is loading again: the boxes come back from the delays in force.
  Form_Load();
  QDialog::showEvent(event);
}

void Form_Doravent_settings::Held_Frames_Change() {
  try {
    // Empty is the fixed cap; anything but a whole number of megabytes above 0 is not written.
    const QString text = Text_held_frames_mb->text().trimmed();
    bool ok = false;
    const int64_t mb = text.toLongLong(&ok);
    if (!text.isEmpty() && (!ok || mb <= 0)) {
      Text_held_frames_mb->setToolTip(QStringLiteral("Not a whole number above 0: the value in force stays"));
      return;
    }
    Text_held_frames_mb->setToolTip(Held_Frames_Tip());
    Write_Ini_Value(settings_section, QStringLiteral("held_frames_mb"), text, program().Settings_File_Path);
  } catch (...) {
    report_current_exception(10, "Text_held_frames_mb_Change" + form_location);
  }
}

void Form_Doravent_settings::Check_Click(QCheckBox* box, const QString& key, const QString& handler) {
  try {
    Write_Ini_Value(settings_section, key, box->isChecked() ? QStringLiteral("1") : QStringLiteral("0"),
                    program().Settings_File_Path);
  } catch (...) {
    report_current_exception(10, handler + form_location);
  }
}

void Form_Doravent_settings::Text_Change(QLineEdit* box, const QString& key, const QString& handler) {
  int32_t step = 10;
  try {
    Write_Ini_Value(settings_section, key, box->text(), program().Settings_File_Path);
    step = 20;
    Load_Compensations();
    if (box == Text_Box_delay) Q_EMIT result_settings_changed();
  } catch (...) {
    report_current_exception(step, handler + form_location);
  }
}

void Form_Doravent_settings::Command_hide_Click() {
  try {
    hide();
  } catch (...) {
    report_current_exception(10, "Command_hide_Click" + form_location);
  }
}
