// Start-up in the system's order, the capture folder, the window layout and the one shutdown path.
#include "app/form_doravent.h"

#include "app/associate.h"
#include "app/camera_controller.h"
#include "app/event_controller.h"
#include "app/goal_line_controller.h"
#include "app/heat_controller.h"
#include "app/key_filter.h"
#include "app/kit_controller.h"
#include "app/race_script_player.h"
#include "app/review_controller.h"
#include "capture/capture_component.h"
#include "capture/capture_hdmi.h"
#include "capture/synthetic_camera.h"
#include "kit/simulated_kit.h"
#include "platform/clock.h"
#include "platform/error_report.h"
#include "platform/program_info.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "platform/single_instance.h"
#include "platform/trace.h"
#include "platform/twips.h"
#include "platform/user_folders.h"
#include "presentation/event_form.h"
#include "presentation/form_select_video.h"
#include "presentation/settings_form.h"
#include "recording/video_file_handler.h"
#include "timing/heat_session.h"
#include "timing/review_session.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QSysInfo>
#include <QThread>

#include <cmath>
#include <unistd.h>

namespace {

const QString Settings = QStringLiteral("Settings");

QString setting(const QString& key, const QString& default_value) {
  return Read_Ini_Value(Settings, key, program().Settings_File_Path, default_value);
}

// Fills the program-wide values that error reports and recording headers quote.
void Fill_Program_Values() {
  Program_Info& p = program();
  p.Computer_Name = QSysInfo::machineHostName();
  p.Local_AppData_Folder = Local_AppData_Folder();
  p.Settings_File_Path =
      p.Local_AppData_Folder.isEmpty() ? QString() : p.Local_AppData_Folder + p.Program_Name + QStringLiteral(".ini");
  p.Program_File = QCoreApplication::applicationFilePath();
  p.App_Path = QCoreApplication::applicationDirPath();
  p.Processor_Description = QSysInfo::currentCpuArchitecture() + QStringLiteral(", ") +
                            QString::number(QThread::idealThreadCount()) + QStringLiteral(" cores");
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long page_size = ::sysconf(_SC_PAGESIZE);
  if (pages > 0 && page_size > 0)
    p.Memory_Total = QString::number(static_cast<qint64>(pages) * page_size / (1024 * 1024)) + QStringLiteral(" MB");
  p.Windows_Version = QSysInfo::prettyProductName() + QStringLiteral(" (") + QSysInfo::kernelType() + QLatin1Char(' ') +
                      QSysInfo::kernelVersion() + QLatin1Char(')');
}

} // namespace

bool Form_Doravent::Form_Load() {
  int32_t step = 10;
  try {
    Trace_Message("*Form_Doravent Form_Load, begin");
    if (program().Program_Start_Mill == 0) program().Program_Start_Mill = Mill_Now();
    step = 20;
    program().Development_Mode = options_.development_mode;
    step = 50;
    Fill_Program_Values();
    // The source window reads its saved choice: it is loaded once the settings file is known.
    select_video_ = new Form_select_Video(options_.capture_devices
                                              ? Capture_Component_Factory(options_.capture_devices)
                                              : Capture_Component_Factory([] { return Make_Capture_Component(); }),
                                          this);
    select_video_->hide();
    Check_Bitness();
    Trace_Message("*Computer name = " + program().Computer_Name + " Windows = " + program().Windows_Version +
                  " CPU = " + program().CPU_Bitness + " OS = " + program().OS_Bitness);
    Trace_Message(" Doravent starting, version = " + program().Program_Version +
                  " Computer = " + program().Computer_Name);
    step = 60;
    if (!program().Development_Mode) key_filter_->Install_Hook();
    step = 70;
    if (program().Ending) return false;
    QString argument = options_.command_argument.trimmed();
    if (argument.size() >= 2 && argument.startsWith(QLatin1Char('"')) && argument.endsWith(QLatin1Char('"')))
      argument = argument.mid(1, argument.size() - 2);
    state_.Command_Argument = argument;
    ui_.Slider_play->setToolTip({});
    menu(QStringLiteral("menu_settings"))->menuAction()->setVisible(false);
    events_->Load();
    step = 80;
    instance_ = std::make_unique<Single_Instance>();
    if (instance_->Another_Instance_Running()) {
      hide();
      Msg_Box(QStringLiteral("A previous instance of Doravent is running!"));
      program().Ending = true;
      ended_ = true;
      return false;
    }
    step = 90;
    state_.Bytes_Per_Megabyte = 1048576;
    program().Ready_Mill = Mill_Now();
    step = 100;
    kit_->Check_For_Phidget(options_.simulated_kit);
    step = 110;
    load_Capture_Folder();
    Trace_Message("Form_Load, after load_Capture_Folder");
    step = 120;
    program().Event_Files_Folder = program().Local_AppData_Folder + QStringLiteral("Doravent Event Files/");
    step = 130;
    {
      bool ok = false;
      const int heat = setting(QStringLiteral("Heat_ID"), QStringLiteral("1")).toInt(&ok);
      events_->Select_Stored_Heat(ok ? heat : 1);
    }
    step = 140;
    move(0, 0);
    Load_Compensations();
    step = 150;
    set_menu_visibility();
    step = 160;
    ui_.Label_read_framesize->clear();
    kit_->Check_Attached();
    step = 170;
    Trace_Message("*Command_dollar = " + state_.Command_Argument);
    step = 180;
    if (!kit_->Present()) {
      // Without the kit's library heats are started and captured from the window.
      ui_.Label_attached->setText(QStringLiteral("No Phidget drivers"));
      ui_.Label_Phidget_attached->setText(QStringLiteral("No Phidget drivers"));
      ui_.Label_attached->setEnabled(false);
      ui_.Label_Phidget_attached->setEnabled(false);
      ui_.Picture_lamps->clear();
      ui_.Frame_Control_box->setEnabled(true);
      ui_.Command_start_heat->setEnabled(true);
    }
    step = 190;
    ui_.Option_selected_camera[1]->setChecked(true);
    state_.Selected_Camera = 1;
    camera_->Create(select_video_);
    // The simulated kit's traps and LED are what the synthetic camera films.
    if (Simulated_Kit* kit = kit_->Simulated()) kit->set_World(camera_->Capture().Synthetic());
    camera_->Read_Last_Crop();
    goal_line_->Read_Goal_Lines();
    ui_.Picture_LED->setFrameShape(QFrame::NoFrame);
    step = 200;
    // Measured only once the window is laid out on its screen (showEvent); until then a picture
    // keeps its own size.
    if (isVisible()) Update_Max_Picture_Height();
    step = 210;
    if (program().Development_Mode) state_.Arm_Green = true;
    Arrange_form();
    loaded_ = true;
    step = 220;
    // The recording named on the command line is opened last, so that its goal lines win over
    // the stored ones and its picture is sized for this screen.
    if (!state_.Command_Argument.isEmpty() && QFileInfo(state_.Command_Argument).isFile())
      review_->Handle_Open(state_.Command_Argument);
    Trace_Message("Form_Doravent Form_Load, end");
  } catch (...) {
    report(step, QStringLiteral("Form_Load"));
  }
  return !program().Ending;
}

void Form_Doravent::Play_Race_Script(std::vector<Race_Command> commands) {
  Simulated_Kit* kit = kit_->Simulated();
  if (!kit) return;
  race_script_ = std::make_unique<Race_Script_Player>(ui_, *kit, std::move(commands));
  if (kit->IsAttached()) {
    race_script_->Play(kit_->Attached_Mill());
    return;
  }
  connect(kit, &Simulated_Kit::Kit_Changed, race_script_.get(), [this, kit] {
    if (kit->IsAttached()) race_script_->Play(kit_->Attached_Mill());
  });
}

void Form_Doravent::Form_Activate() {
  if (ui_.Slider_play->isVisible() && ui_.Slider_play->isEnabled()) ui_.Slider_play->setFocus();
  if (loaded_) kit_->Check_Attached();
}

int32_t Form_Doravent::Client_Height_Available() const {
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  if (!screen) return 0;
  // The window's height less its inner height: title bar, borders and menu bar, as laid out.
  const int chrome = frameGeometry().height() - (centralWidget() ? centralWidget()->height() : 0);
  return screen->availableGeometry().height() - chrome;
}

int32_t Form_Doravent::Compute_Max_Picture_Height() const {
  // The buttons and the strip go beside the picture when they do not fit under it: the picture
  // alone needs the height, within the window's margins.
  const double tpp = Twips_Per_Pixel();
  const int margins = static_cast<int>(std::lround(120 / tpp)) + static_cast<int>(std::lround(20 / tpp));
  return std::max(120, Client_Height_Available() - margins);
}

void Form_Doravent::Update_Max_Picture_Height() {
  const int32_t height = Compute_Max_Picture_Height();
  if (height == state_.Max_Picture_Height) return;
  Trace_Message("*Max_Picture_Height", height);
  state_.Max_Picture_Height = height;
  // A recording opened before the window was measured is sized again for this screen.
  if (review_session_->Is_Open()) review_->Size_Picture();
}

void Form_Doravent::load_Capture_Folder() {
  // The stored default "C:" means the user's home folder here, so the first heat on a new
  // machine records without a detour.
  state_.Capture_Folder = Resolve_Drive_Default(setting(QStringLiteral("save_folder"), QStringLiteral("C:")));
  heat_session_->set_Capture_Folder(state_.Capture_Folder);
  ui_.Label_capture_folder->setText(state_.Capture_Folder);
  ui_.Label_capture_folder->setToolTip(state_.Capture_Folder);
}

void Form_Doravent::Label_capture_folder_Click() {
  int32_t step = 10;
  try {
    const QString chosen =
        prompts().select_folder(QStringLiteral("Select capture folder"), Resolve_Drive_Default(state_.Capture_Folder));
    step = 20;
    if (chosen.isEmpty()) return;
    Write_Ini_Value(Settings, QStringLiteral("save_folder"), chosen, program().Settings_File_Path);
    load_Capture_Folder();
  } catch (...) {
    report(step, QStringLiteral("Label_capture_folder_Click"));
  }
}

void Form_Doravent::item_validate_folder_Click() {
  const QString failure = Validate_Folder(state_.Capture_Folder);
  Trace_Message("*Validate_Folder = " + failure);
}

void Form_Doravent::item_associate_Click() {
  int32_t step = 10;
  try {
    if (!Associate_File_Type()) {
      Msg_Box(QStringLiteral("The file type could not be registered in ") + Local_AppData_Folder(),
              program().Program_Name, Prompt_Buttons::Ok, Prompt_Icon::Warning);
      return;
    }
    step = 20;
    Msg_Box(QStringLiteral("Associated the file extension .qn2 with this application!"));
  } catch (...) {
    report(step, QStringLiteral("item_associate_Click"));
  }
}

void Form_Doravent::Arrange_form() {
  const double tpp = Twips_Per_Pixel();
  const auto px = [tpp](int twips) { return static_cast<int>(std::lround(twips / tpp)); };
  const int margin = px(120);
  QWidget* client = centralWidget();
  ui_.Picture_out->move(margin, margin);
  ui_.Frame_settimes->adjustSize();
  ui_.Frame_settimes->setFixedWidth(std::max(ui_.Picture_out->width(), ui_.Frame_settimes->sizeHint().width()));
  const bool strip = !ui_.Frame_slit->isHidden();
  if (strip) ui_.Frame_slit->setFixedSize(ui_.Frame_settimes->width(), ui_.Frame_slit->sizeHint().height());
  // Under the picture when the screen has room for them there, else beside it: the picture keeps
  // its size and the whole window stays on the screen.
  const int under_height = (strip ? ui_.Frame_slit->height() + px(20) : 0) +
                           (ui_.Frame_settimes->isHidden() ? 0 : ui_.Frame_settimes->height() + px(20));
  const int available = Client_Height_Available();
  const bool beside_picture =
      available > 0 && ui_.Picture_out->geometry().bottom() + 1 + px(20) + under_height > available;
  const int column_x = beside_picture ? ui_.Picture_out->geometry().right() + 1 + margin : ui_.Picture_out->x();
  int next_y = beside_picture ? ui_.Picture_out->y() : ui_.Picture_out->geometry().bottom() + 1 + px(20);
  // The slit image's strip, when shown, above the set-times buttons.
  if (strip) {
    ui_.Frame_slit->move(column_x, next_y);
    next_y = ui_.Frame_slit->geometry().bottom() + 1 + px(20);
  }
  ui_.Frame_settimes->move(column_x, next_y);
  ui_.Frame_controls->adjustSize();
  int beside = ui_.Picture_out->geometry().right() + 1 + margin;
  if (!ui_.Frame_settimes->isHidden()) beside = std::max(beside, ui_.Frame_settimes->geometry().right() + 1 + margin);
  if (strip) beside = std::max(beside, ui_.Frame_slit->geometry().right() + 1 + margin);
  // The loupe, when shown, right beside the picture (or the column beside it).
  if (!ui_.Frame_loupe->isHidden()) {
    ui_.Frame_loupe->adjustSize();
    ui_.Frame_loupe->move(beside, ui_.Picture_out->y() + (beside_picture ? under_height : 0));
    beside = std::max(beside, ui_.Frame_loupe->geometry().right() + 1 + margin);
  }
  ui_.Frame_controls->move(beside, ui_.Picture_out->y());
  int lowest = std::max(ui_.Frame_controls->geometry().bottom(), ui_.Picture_out->geometry().bottom());
  if (!ui_.Frame_settimes->isHidden()) lowest = std::max(lowest, ui_.Frame_settimes->geometry().bottom());
  if (!ui_.Frame_loupe->isHidden()) lowest = std::max(lowest, ui_.Frame_loupe->geometry().bottom());
  const int width = ui_.Frame_controls->geometry().right() + 1 + margin;
  const int height = lowest + 1 + px(20);
  client->setFixedSize(width, height);
  adjustSize();
}

void Form_Doravent::changeEvent(QEvent* event) {
  // Form_Resize: the results window follows the main window into and out of the task bar.
  if (event->type() == QEvent::WindowStateChange) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->objectName() != QStringLiteral("Form_Dora_Results") || !w->isVisible()) continue;
      if (isMinimized())
        w->showMinimized();
      else if (w->isMinimized())
        w->showNormal();
    }
  }
  QMainWindow::changeEvent(event);
}

void Form_Doravent::Stop_All_Windows() {
  Trace_Message("*Stop_Doravent");
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w != this && w->isVisible()) w->close();
  Form_Doravent_settings::Unload_Instance();
  Trace_Message("*Stop_Doravent, end");
}

bool Form_Doravent::Doravent_End() {
  if (ended_) return true;
  // Frames of a heat still in memory go into its recording, or the operator lets them go;
  // while they are kept the program does not end.
  if (!heat_session_->Secure_Held_Frames()) return false;
  ended_ = true;
  Trace_Message("*Doravent_end, begin");
  program().Ending = true;
  camera_->Stop_all_cams();
  // Pending frame and device notifications get a second to drain before the windows go.
  for (int i = 0; i < 10; ++i) {
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < 100)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 100 - wait.elapsed());
  }
  Stop_All_Windows();
  hide();
  instance_.reset();
  Trace_Message("*Doravent_end, end");
  if (options_.end_program)
    options_.end_program(0);
  else
    QCoreApplication::exit(0);
  return true;
}
