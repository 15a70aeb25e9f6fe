#include "presentation/event_form.h"

#include "presentation/named_controls.h"

#include "platform/clock.h"
#include "platform/error_report.h"
#include "platform/program_info.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "platform/trace.h"
#include "platform/user_folders.h"
#include "presentation/results_form.h"
#include "presentation/speaker_card.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString form_location = QStringLiteral(" of Form Form_event_registration");
const QString Settings = QStringLiteral("Settings");
const QString Current_Key = QStringLiteral("current_event_file");
const QString No_File = QStringLiteral("No event file");

QString stored_event_file() {
  const QString stored = Read_Ini_Value(Settings, Current_Key, program().Settings_File_Path, {});
  return stored == QLatin1String("N/A") ? QString() : stored;
}

void store_event_file(const QString& path) {
  Write_Ini_Value(Settings, Current_Key, path, program().Settings_File_Path);
}

// Keys that type into a box; moving the focus and closing stay possible while nothing is edited.
bool types_text(const QKeyEvent& key) {
  switch (key.key()) {
  case Qt::Key_Tab:
  case Qt::Key_Backtab:
  case Qt::Key_Return:
  case Qt::Key_Enter:
  case Qt::Key_Escape: return false;
  default: return !key.text().isEmpty() || key.matches(QKeySequence::Paste) || key.matches(QKeySequence::Cut);
  }
}

} // namespace

Form_event_registration::Form_event_registration(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("Form_event_registration"));
  setWindowTitle(QStringLiteral("Doravent event registration"));
  build_controls();
  build_menus();
  Paint_Boxes();
}

Form_event_registration::~Form_event_registration() = default;

void Form_event_registration::build_controls() {
  auto* central = Named(new QWidget(this), QStringLiteral("Form_event_registration_client"));
  setCentralWidget(central);
  auto* layout = new QVBoxLayout(central);

  auto* event = new QGridLayout;
  event->addWidget(Named(new QLabel(QStringLiteral("Event name"), central), QStringLiteral("Label_event_name")), 0, 0);
  Text_event_name = Named(new QLineEdit(central), QStringLiteral("Text_event_name"));
  event->addWidget(Text_event_name, 0, 1);
  event->addWidget(Named(new QLabel(QStringLiteral("Day"), central), QStringLiteral("Label_day")), 1, 0);
  Text_day = Named(new QLineEdit(central), QStringLiteral("Text_day"));
  event->addWidget(Text_day, 1, 1);
  event->addWidget(Named(new QLabel(QStringLiteral("Event file"), central), QStringLiteral("Label_file")), 2, 0);
  Label_event_file = Named(new QLabel(No_File, central), QStringLiteral("Label_event_file"));
  event->addWidget(Label_event_file, 2, 1);
  layout->addLayout(event);

  Frame_heat = Named(new QGroupBox(QStringLiteral("Heat 1"), central), QStringLiteral("Frame_heat"));
  auto* heat = new QGridLayout(Frame_heat);
  heat->addWidget(Named(new QLabel(QStringLiteral("Heat"), Frame_heat), QStringLiteral("Label_heat")), 0, 0);
  UpDown_heat = Named(new QSpinBox(Frame_heat), QStringLiteral("UpDown_heat"));
  UpDown_heat->setRange(1, Event_Heat_Count);
  UpDown_heat->setKeyboardTracking(false);
  heat->addWidget(UpDown_heat, 0, 1);
  const std::array<std::pair<const char*, QLineEdit**>, 3> heat_boxes{
      {{"Heat name", &Text_heat_name}, {"Start time", &Text_heat_time}, {"Length", &Text_heat_length}}};
  const std::array<const char*, 3> heat_names{"Text_heat_name", "Text_heat_time", "Text_heat_length"};
  for (int i = 0; i < 3; ++i) {
    const auto [caption, box] = heat_boxes.at(static_cast<size_t>(i));
    heat->addWidget(new QLabel(QString::fromLatin1(caption), Frame_heat), i + 1, 0);
    *box = Named(new QLineEdit(Frame_heat), QString::fromLatin1(heat_names.at(static_cast<size_t>(i))));
    heat->addWidget(*box, i + 1, 1);
  }
  heat->addWidget(Named(new QLabel(QStringLiteral("Dogs"), Frame_heat), QStringLiteral("Label_dogs")), 4, 0, 1, 2);
  for (int i = 0; i < 6; ++i) {
    QLabel* picture = Named(new QLabel(Frame_heat), QStringLiteral("Picture_box_%1").arg(i));
    picture->setFixedSize(28, 22);
    picture->setAlignment(Qt::AlignCenter);
    QLineEdit* dog = Named(new QLineEdit(Frame_heat), QStringLiteral("Text_dog_name_%1").arg(i));
    Picture_box.at(static_cast<size_t>(i)) = picture;
    Text_dog_name.at(static_cast<size_t>(i)) = dog;
    heat->addWidget(picture, 5 + i, 0);
    heat->addWidget(dog, 5 + i, 1);
  }
  layout->addWidget(Frame_heat);

  connect(Text_event_name, &QLineEdit::textChanged, this, [this] { Text_event_name_Change(); });
  connect(Text_day, &QLineEdit::textChanged, this, [this] { Text_day_Change(); });
  connect(UpDown_heat, &QSpinBox::valueChanged, this, [this](int value) { UpDown_heat_Change(value); });
  for (QLineEdit* box : {Text_heat_name, Text_heat_time, Text_heat_length}) {
    connect(box, &QLineEdit::editingFinished, this, [this, box] { Heat_Box_Validate(box); });
    box->installEventFilter(this);
  }
  for (int i = 0; i < 6; ++i) {
    connect(Text_dog_name.at(static_cast<size_t>(i)), &QLineEdit::textChanged, this,
            [this, i] { Text_dog_name_Change(i); });
    Text_dog_name.at(static_cast<size_t>(i))->installEventFilter(this);
  }
}

void Form_event_registration::build_menus() {
  QMenu* form = menuBar()->addMenu(QStringLiteral("Form"));
  form->setObjectName(QStringLiteral("menu_form"));
  menus_.push_back(form);
  const auto add = [&](const char* name, const char* caption, void (Form_event_registration::*slot)()) {
    QAction* a = form->addAction(QString::fromLatin1(caption));
    a->setObjectName(QString::fromLatin1(name));
    items_.push_back(a);
    if (slot) connect(a, &QAction::triggered, this, slot);
    return a;
  };
  add("item_open_event_file", "Open event file", &Form_event_registration::item_open_event_file_Click);
  add("item_create_event_file", "Create new Event file", &Form_event_registration::item_create_event_file_Click);
  add("item_close_event_file", "Close event file", &Form_event_registration::item_close_event_file_Click);
  add("item_import_dogs", "Import dog names", &Form_event_registration::item_import_dogs_Click);
  add("item_print_form", "Print form", &Form_event_registration::item_print_form_Click);
  add("item_speaker_card", "Make speaker card", &Form_event_registration::item_speaker_card_Click);
  QAction* hide_item = add("item_hide", "Hide", nullptr);
  connect(hide_item, &QAction::triggered, this, &QWidget::hide);
}

QAction* Form_event_registration::item(const QString& name) const {
  for (QAction* a : items_)
    if (a->objectName() == name) return a;
  return nullptr;
}

QMenu* Form_event_registration::menu(const QString& name) const {
  for (QMenu* m : menus_)
    if (m->objectName() == name) return m;
  return nullptr;
}

void Form_event_registration::report(int32_t step, const QString& procedure) {
  report_current_exception(step, procedure + form_location);
}

void Form_event_registration::Paint_Boxes() {
  for (int16_t box = 1; box <= 6; ++box)
    Paint_box(Picture_box.at(static_cast<size_t>(box - 1)), box);
}

// ---- Loading, opening, creating, closing ----

void Form_event_registration::Form_Load() {
  int32_t step = 10;
  try {
    const QString stored = stored_event_file();
    step = 20;
    if (stored.isEmpty()) {
      Update_Event_file_name();
      Q_EMIT Heat_Data_Requested();
      return;
    }
    step = 30;
    if (!QFileInfo(stored).isFile()) {
      Msg_Box(stored + QStringLiteral("\n") + QStringLiteral("Stored Event File name not found!"));
      store_event_file({});
      Update_Event_file_name();
      Q_EMIT Heat_Data_Requested();
      return;
    }
    step = 40;
    Show_Heat(1);
    if (!Use_Event_File(stored)) Update_Event_file_name();
    Q_EMIT Event_File_Changed();
  } catch (...) {
    report(step, QStringLiteral("Form_Load"));
  }
}

bool Form_event_registration::Use_Event_File(const QString& path) {
  if (!Event_File_Usable(path)) {
    Msg_Box(QStringLiteral("Invalid Event File! ") + path);
    // Only the event already in use stays usable.
    if (path_.isEmpty()) open_ = false;
    return false;
  }
  if (!QFileInfo(path).isFile()) {
    Msg_Box(QStringLiteral("Event file does not exist!"));
    return false;
  }
  Event_Document parsed;
  int32_t step = 10;
  try {
    const QByteArray bytes = Read_Event_File(path);
    step = 20;
    if (const auto failure = parsed.Load(bytes))
      throw Dora_Error(31,
                       QStringLiteral("Event file is not well-formed XML: ") + *failure + QStringLiteral(": ") + path);
    if (!parsed.Is_Event()) throw Dora_Error(31, QStringLiteral("Not an event file: ") + path);
  } catch (...) {
    report_current_exception(step, QStringLiteral("Parse_XML_file") + form_location);
    return false;
  }
  doc_ = std::move(parsed);
  path_ = path;
  editing_ = true;
  open_ = true;
  store_event_file(path);
  Fill_Event_Boxes();
  Label_event_file->setText(path);
  Label_event_file->setToolTip(path);
  Load_Heat_Data();
  Trace_Message("*Use_Event_File, in use", path);
  return true;
}

void Form_event_registration::Fill_Event_Boxes() {
  const QSignalBlocker block_name(Text_event_name);
  const QSignalBlocker block_day(Text_day);
  Text_event_name->setText(Event_name());
  Text_day->setText(Get_day());
}

void Form_event_registration::item_open_event_file_Click() {
  int32_t step = 10;
  try {
    const QString chosen = prompts().open_file(QStringLiteral("Chose event file"), Event_Files_Folder(),
                                               QStringLiteral("xml Files (*.xml)|*.xml"));
    if (chosen.isEmpty()) return;
    step = 20;
    // What was typed into the event in use reaches its own file before another takes its place.
    if (chosen != path_) XML_to_File();
    step = 30;
    if (Use_Event_File(chosen)) Q_EMIT Event_File_Changed();
  } catch (...) {
    report(step, QStringLiteral("item_open_event_file_Click"));
  }
}

void Form_event_registration::item_create_event_file_Click() {
  int32_t step = 10;
  try {
    if (Text_event_name->text().isEmpty()) {
      Msg_Box(QStringLiteral("Please enter Event Name before creating the event file!"));
      return;
    }
    step = 20;
    const QString folder = Event_Files_Folder();
    if (folder.isEmpty() || !QDir().mkpath(folder)) throw Dora_Error(76, QStringLiteral("Path not found: ") + folder);
    const QString path = Event_File_Name(folder, Text_event_name->text(), Text_day->text());
    step = 30;
    if (QFileInfo::exists(path)) {
      if (Event_File_Read_Only(path)) {
        Msg_Box(QStringLiteral("Event file is Read-Only!") + QStringLiteral("\n") + path, QFileInfo(path).fileName());
        return;
      }
      const Prompt_Answer answer =
          Msg_Box(QStringLiteral("This event file already exists. Overwrite?") + QStringLiteral("\n") + path, {},
                  Prompt_Buttons::YesNo, Prompt_Icon::Question);
      if (answer != Prompt_Answer::Yes) return;
    }
    step = 40;
    if (path != path_) {
      // The name and day typed are the new file's: the open one keeps those it was saved with,
      // and takes every other edit.
      Keep_Saved_Name_And_Day();
      XML_to_File();
    }
    step = 50;
    Event_Document fresh;
    fresh.Create(Local_Now());
    fresh.set_Single("event_name", Text_event_name->text());
    fresh.set_Single("event_day", Text_day->text());
    step = 60;
    // Replaces the old file only once the new one is completely written.
    Write_Event_File(path, fresh.Bytes());
    Trace_Message("*Create_Event_File, written", path);
    step = 70;
    store_event_file(path);
    Form_Load();
  } catch (...) {
    report(step, QStringLiteral("item_create_event_file_Click"));
  }
}

void Form_event_registration::item_close_event_file_Click() {
  int32_t step = 10;
  try {
    XML_to_File();
    step = 20;
    Drop_Event_File();
    step = 30;
    doc_.Clear();
    {
      const QSignalBlocker block_name(Text_event_name);
      const QSignalBlocker block_day(Text_day);
      Text_event_name->clear();
      Text_day->clear();
    }
    Load_Heat_Data();
    Q_EMIT Event_File_Changed();
  } catch (...) {
    report(step, QStringLiteral("item_close_event_file_Click"));
  }
}

void Form_event_registration::Drop_Event_File() {
  store_event_file({});
  path_.clear();
  open_ = false;
  // Edits with no file behind them would be lost without notice; they beep instead.
  editing_ = false;
  Update_Event_file_name();
}

void Form_event_registration::Update_Event_file_name() {
  if (!path_.isEmpty() && QFileInfo(path_).isFile()) {
    Label_event_file->setText(QFileInfo(path_).fileName());
    Label_event_file->setToolTip(path_);
  } else {
    Label_event_file->setText(No_File);
    Label_event_file->setToolTip({});
  }
}

// ---- Saving ----

void Form_event_registration::Keep_Saved_Name_And_Day() {
  if (path_.isEmpty() || path_ == QLatin1String("N/A") || doc_.Empty() || !QFileInfo(path_).isFile()) return;
  Event_Document saved;
  if (saved.Load(Read_Event_File(path_)) || !saved.Is_Event()) return;
  for (const char* element : {"event_name", "event_day"})
    doc_.set_Single(element, saved.Single(element));
}

void Form_event_registration::XML_to_File() {
  if (saving_) return; // a message shown while saving must not start another save
  saving_ = true;
  int32_t step = 10;
  try {
    if (!path_.isEmpty() && path_ != QLatin1String("N/A")) {
      step = 20;
      if (Event_File_Read_Only(path_)) {
        Msg_Box(QStringLiteral("Event file is Read-Only!") + QStringLiteral("\n") + path_, QFileInfo(path_).fileName());
      } else if (!doc_.Empty()) {
        step = 30;
        Write_Event_File(path_, doc_.Bytes());
      }
    }
  } catch (...) {
    report(step, QStringLiteral("XML_to_File"));
  }
  saving_ = false;
}

void Form_event_registration::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && !isActiveWindow()) XML_to_File();
  QMainWindow::changeEvent(event);
}

void Form_event_registration::closeEvent(QCloseEvent* event) {
  XML_to_File();
  event->accept();
}

bool Form_event_registration::eventFilter(QObject* watched, QEvent* event) {
  auto* box = qobject_cast<QLineEdit*>(watched);
  if (!box) return QMainWindow::eventFilter(watched, event);
  const bool is_dog = std::find(Text_dog_name.begin(), Text_dog_name.end(), box) != Text_dog_name.end();
  if (event->type() == QEvent::KeyPress && !editing_ && (is_dog || box == Text_heat_time) &&
      types_text(*static_cast<QKeyEvent*>(event))) {
    Beep();
    return true;
  }
  if (event->type() == QEvent::FocusOut) {
    if (!is_dog) Heat_Box_Validate(box);
    if (box != Text_heat_time) XML_to_File();
  }
  return QMainWindow::eventFilter(watched, event);
}

// ---- Editing ----

void Form_event_registration::Text_event_name_Change() {
  int32_t step = 10;
  try {
    if (!editing_) return;
    doc_.set_Single("event_name", Text_event_name->text());
    step = 20;
    Q_EMIT Event_File_Changed();
  } catch (...) {
    report(step, QStringLiteral("Text_event_name_Change"));
  }
}

void Form_event_registration::Text_day_Change() {
  try {
    if (!editing_) return;
    doc_.set_Single("event_day", Text_day->text());
    Q_EMIT Event_File_Changed();
  } catch (...) {
    report(10, QStringLiteral("Text_day_Change"));
  }
}

void Form_event_registration::Text_dog_name_Change(int index) {
  try {
    if (!editing_) return;
    doc_.set_Dog_Name(heat_, static_cast<int16_t>(index + 1), Text_dog_name.at(static_cast<size_t>(index))->text());
  } catch (...) {
    report(10, QStringLiteral("Text_dog_name_Change"));
  }
}

void Form_event_registration::Heat_Box_Validate(QLineEdit* box) {
  const char* element = box == Text_heat_name ? "heat_name" : box == Text_heat_length ? "heat_length" : "heat_time";
  try {
    if (!editing_) return;
    if (doc_.Heat_Text(heat_, element) == box->text()) return;
    doc_.set_Heat_Text(heat_, element, box->text());
  } catch (...) {
    report(10, box->objectName() + QStringLiteral("_Validate"));
  }
}

void Form_event_registration::Show_Heat(int16_t heat) {
  heat_ = heat;
  const QSignalBlocker block(UpDown_heat);
  UpDown_heat->setValue(heat);
  Frame_heat->setTitle(QStringLiteral("Heat ") + QString::number(heat));
}

void Form_event_registration::UpDown_heat_Change(int value) {
  int32_t step = 10;
  try {
    if (!editing_) {
      Beep();
      Show_Heat(heat_);
      return;
    }
    step = 20;
    if (value < heat_) XML_to_File();
    step = 30;
    Show_Heat(static_cast<int16_t>(value));
    Load_Heat_Data();
  } catch (...) {
    report(step, QStringLiteral("UpDown_heat_Change"));
  }
}

void Form_event_registration::Load_Heat_Data() {
  std::vector<QSignalBlocker> blocks;
  for (QLineEdit* box : {Text_heat_name, Text_heat_length, Text_heat_time})
    blocks.emplace_back(box);
  for (QLineEdit* box : Text_dog_name)
    blocks.emplace_back(box);
  try {
    // The heat's own length, even when empty: another heat's length must not pass for this one's.
    Text_heat_name->setText(doc_.Heat_Text(heat_, "heat_name"));
    Text_heat_length->setText(doc_.Heat_Text(heat_, "heat_length"));
    Text_heat_time->setText(doc_.Heat_Text(heat_, "heat_time"));
  } catch (...) {
    Text_heat_name->clear();
    Text_heat_length->clear();
    Text_heat_time->clear();
  }
  for (int16_t box = 1; box <= 6; ++box)
    Text_dog_name.at(static_cast<size_t>(box - 1))->setText(Reg_Dog_Name(heat_, box));
}

// ---- Readers ----

QString Form_event_registration::Event_name() const {
  if (!editing_) return {};
  try {
    return doc_.Single("event_name");
  } catch (...) {
    return {};
  }
}

QString Form_event_registration::Get_day() const {
  try {
    return doc_.Single("event_day");
  } catch (...) {
    return {};
  }
}

QString Form_event_registration::Heat_Name(int16_t heat) const {
  if (!editing_) return {};
  try {
    return doc_.Heat_Text(heat, "heat_name");
  } catch (...) {
    return {};
  }
}

QString Form_event_registration::Heat_Length(int16_t heat) const {
  if (!editing_) return {};
  try {
    return doc_.Heat_Text(heat, "heat_length");
  } catch (...) {
    return {};
  }
}

QString Form_event_registration::Reg_Dog_Name(int16_t heat, int16_t box) const {
  try {
    return doc_.Dog_Name(heat, box);
  } catch (...) {
    return {};
  }
}

// ---- Import and print ----

void Form_event_registration::Pause(int32_t ms) {
  // Window events go on while the import waits.
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

void Form_event_registration::item_import_dogs_Click() {
  int32_t step = 10;
  try {
    if (!open_ || path_.isEmpty()) {
      Msg_Box(QStringLiteral("Import not possible") + QStringLiteral("\n") +
              QStringLiteral("No valid Event File open!"));
      return;
    }
    // Names imported into a file that cannot be saved would be lost at the next save.
    if (Event_File_Read_Only(path_)) {
      Msg_Box(QStringLiteral("Event file is Read-Only!") + QStringLiteral("\n") + path_, QFileInfo(path_).fileName());
      return;
    }
    step = 20;
    const QString start = Resolve_Drive_Default(
        Read_Ini_Value(Settings, QStringLiteral("importdir"), program().Settings_File_Path, QStringLiteral("c:")));
    const QString chosen =
        prompts().open_file(QStringLiteral("Import dog names"), start, QStringLiteral("Text (*.txt)|*.txt"));
    if (chosen.isEmpty()) return;
    Write_Ini_Value(Settings, QStringLiteral("importdir"), QFileInfo(chosen).absolutePath(),
                    program().Settings_File_Path);
    step = 30;
    const Dog_Import_Plan plan = Plan_Dog_Import(Decode_Import_Text(Read_Event_File(chosen)));
    step = 40;
    // The menus wait while the names go in, and the names go only into the file they were meant
    // for: one opened during a pause stops the import.
    struct Menus_Off {
      QMenuBar* bar;
      bool was;
      ~Menus_Off() { bar->setEnabled(was); }
    } menus_off{menuBar(), menuBar()->isEnabled()};
    menuBar()->setEnabled(false);
    const QString importing_into = path_;
    for (const Dog_Import_Step& s : plan.steps) {
      if (path_ != importing_into || !open_) {
        Msg_Box(QStringLiteral("The import stopped: another event file was opened.") + QStringLiteral("\n") +
                importing_into);
        return;
      }
      if (s.box == 0) {
        Show_Heat(s.heat);
        Load_Heat_Data();
        repaint();
        continue;
      }
      doc_.set_Dog_Name(s.heat, s.box, s.name);
      Load_Heat_Data();
      repaint();
      if (import_pause_ms_ > 0) Pause(import_pause_ms_);
    }
    step = 50;
    if (plan.ending == Dog_Import_Plan::Ending::Too_Many_Boxes) throw Dora_Error(9, plan.message);
    Msg_Box(plan.message);
  } catch (...) {
    report(step, QStringLiteral("item_import_dogs_Click"));
  }
}

void Form_event_registration::item_speaker_card_Click() {
  int32_t step = 10;
  try {
    Speaker_Card_Data card;
    card.event_name = Text_event_name->text();
    card.heat_number = QString::number(UpDown_heat->value());
    card.heat_name = Text_heat_name->text();
    card.start_time = Text_heat_time->text();
    card.length = Text_heat_length->text();
    for (std::size_t i = 0; i < card.dog_names.size(); ++i)
      card.dog_names.at(i) = Text_dog_name.at(i)->text();
    step = 20;
    if (!speaker_card_) speaker_card_ = new Form_Doravent_SpeakerCard(this);
    speaker_card_->Show_Card(card);
  } catch (...) {
    report(step, QStringLiteral("item_speaker_card_Click"));
  }
}

void Form_event_registration::item_print_form_Click() {
  try {
    Print_Form_Window(*this, QStringLiteral("Printing form, on"), print_waits_);
  } catch (...) {
    report(10, QStringLiteral("item_print_form_Click"));
  }
}
