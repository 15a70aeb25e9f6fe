#include "app/form_doravent.h"

#include "app/calibration_controller.h"
#include "app/camera_controller.h"
#include "app/event_controller.h"
#include "app/goal_line_controller.h"
#include "app/heat_controller.h"
#include "app/key_filter.h"
#include "app/kit_controller.h"
#include "app/loupe_controller.h"
#include "app/playback_controller.h"
#include "app/print_controller.h"
#include "app/race_script_player.h"
#include "app/results_controller.h"
#include "app/review_controller.h"
#include "app/set_times_controller.h"
#include "app/slit_controller.h"
#include "app/subfield_controller.h"
#include "capture/capture_component.h"
#include "capture/capture_hdmi.h"
#include "kit/simulated_kit.h"
#include "platform/error_report.h"
#include "platform/program_info.h"
#include "platform/single_instance.h"
#include "platform/trace.h"
#include "presentation/control_box_drawing.h"
#include "presentation/event_form.h"
#include "presentation/form_select_video.h"
#include "presentation/named_controls.h"
#include "recording/video_file_handler.h"
#include "timing/heat_session.h"
#include "timing/review_session.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

Picture_Box::Picture_Box(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
}

void Picture_Box::set_Picture(const QImage& picture) {
  picture_ = picture;
  update();
}

QImage& Picture_Box::Frame_Image(int32_t width, int32_t height) { return Keep_Frame_Image(picture_, width, height); }

void Picture_Box::Clear_Picture() {
  picture_ = QImage();
  update();
}

QPointF Picture_Box::To_Picture(QPointF widget_position) const {
  // The picture box stretches its image over its whole rectangle.
  const QSize box = size();
  if (picture_.isNull() || box.isEmpty()) return widget_position;
  return {widget_position.x() * picture_.width() / box.width(), widget_position.y() * picture_.height() / box.height()};
}

void Picture_Box::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (picture_.isNull()) {
    p.fillRect(rect(), Qt::black);
    return;
  }
  p.drawImage(rect(), picture_);
}

void Picture_Box::mousePressEvent(QMouseEvent* event) { Q_EMIT pressed(event); }
void Picture_Box::mouseMoveEvent(QMouseEvent* event) { Q_EMIT moved(event); }
void Picture_Box::mouseReleaseEvent(QMouseEvent* event) { Q_EMIT released(event); }

void Main_Window_Controls::Focus_Slider() const {
  if (Slider_play->isVisible() && Slider_play->isEnabled()) Slider_play->setFocus();
}

namespace {

QLabel* make_label(QWidget* parent, const QString& name, const QString& caption = {}) {
  return Named(new QLabel(caption, parent), name);
}

QPushButton* make_button(QWidget* parent, const QString& name, const QString& caption) {
  auto* b = Named(new QPushButton(caption, parent), name);
  b->setFocusPolicy(Qt::NoFocus);
  return b;
}

} // namespace

Form_Doravent::Form_Doravent(Options options, QWidget* parent)
    : QMainWindow(parent), options_(std::move(options)),
      heat_session_(std::make_unique<Heat_Session>(Process_Frame_List())),
      review_session_(std::make_unique<Review_Session>()), event_window_(std::make_unique<Form_event_registration>()) {
  setObjectName(QStringLiteral("Form_Doravent"));
  setWindowTitle(QStringLiteral("Doravent HDMI"));
  setAttribute(Qt::WA_DeleteOnClose, false);
  build_controls();
  build_menus();
  review_session_->set_Display(ui_.Picture_out);
  const Main_Window_Parts parts{ui_, state_, *this, *review_session_, *heat_session_};
  review_ = std::make_unique<Review_Controller>(parts);
  events_ = std::make_unique<Event_Controller>(parts, *event_window_);
  results_ = std::make_unique<Results_Controller>(parts);
  goal_line_ = std::make_unique<Goal_Line_Controller>(parts);
  playback_ = std::make_unique<Playback_Controller>(parts);
  set_times_ = std::make_unique<Set_Times_Controller>(parts);
  kit_ = std::make_unique<Kit_Controller>(parts);
  camera_ = std::make_unique<Camera_Controller>(
      parts, options_.capture_devices ? options_.capture_devices
                                      : Camera_Controller::Component_Factory([] { return Make_Capture_Component(); }));
  heat_ = std::make_unique<Heat_Controller>(parts);
  print_ = std::make_unique<Print_Controller>(parts, *event_window_);
  key_filter_ = std::make_unique<App_Key_Filter>(*this, *ui_.Slider_play, state_);
  slit_ = std::make_unique<Slit_Controller>(parts);
  subfield_ = std::make_unique<Subfield_Controller>(parts);
  calibration_ = std::make_unique<Calibration_Controller>(parts);
  loupe_ = std::make_unique<Loupe_Controller>(parts);
  Wire_Controllers();
}

Form_Doravent::~Form_Doravent() {
  if (!ended_) Stop_All_Windows();
  // The camera goes before the kit: the kit's thread must no longer reach it.
  if (Simulated_Kit* kit = kit_->Simulated()) {
    kit->set_World(nullptr);
    kit->Wait_Raised();
  }
}

cls_VideoFile_handler& Form_Doravent::obj_QN3_Handler() { return review_session_->Recording(); }

void Form_Doravent::build_controls() {
  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("Form_Doravent_client"));
  setCentralWidget(central);

  ui_.Picture_out = Named(new Picture_Box(central), QStringLiteral("Picture_out"));
  ui_.Picture_out->resize(400, 440);

  ui_.Frame_settimes = Named(new QGroupBox(QStringLiteral("Set times"), central), QStringLiteral("Frame_settimes"));
  auto* set_grid = new QGridLayout(ui_.Frame_settimes);
  ui_.Slider_play = Named(new QSlider(Qt::Horizontal, ui_.Frame_settimes), QStringLiteral("Slider_play"));
  ui_.Slider_play->setRange(1, 1);
  ui_.Slider_play->setEnabled(false);
  set_grid->addWidget(ui_.Slider_play, 0, 0, 1, 6);
  for (int i = 0; i < 6; ++i) {
    auto* b = make_button(ui_.Frame_settimes, QStringLiteral("Command_BOX_set_time_%1").arg(i), QString::number(i + 1));
    b->setMinimumHeight(36);
    b->setEnabled(false);
    ui_.Command_BOX_set_time.at(static_cast<size_t>(i)) = b;
    set_grid->addWidget(b, 1, i);
  }
  ui_.Cmd_add_hundredth =
      make_button(ui_.Frame_settimes, QStringLiteral("Cmd_add_hundredth"), QStringLiteral("+ 1/100"));
  ui_.Cmd_Split = make_button(ui_.Frame_settimes, QStringLiteral("Cmd_Split"), QStringLiteral("Goal"));
  ui_.Cmd_Notime = make_button(ui_.Frame_settimes, QStringLiteral("Cmd_Notime"), QStringLiteral("No Time"));
  ui_.Cmd_DeadHeat = make_button(ui_.Frame_settimes, QStringLiteral("Cmd_DeadHeat"), QStringLiteral("Dead heat"));
  // The mode buttons get a row of their own so the six box buttons stay equal.
  auto* modes = new QHBoxLayout;
  for (QPushButton* b : {ui_.Cmd_add_hundredth, ui_.Cmd_Split, ui_.Cmd_Notime, ui_.Cmd_DeadHeat}) {
    b->setEnabled(false);
    modes->addWidget(b);
  }
  modes->addStretch(1);
  set_grid->addLayout(modes, 2, 0, 1, 6);
  for (int i = 0; i < 6; ++i)
    set_grid->setColumnStretch(i, 1);

  ui_.Frame_controls = Named(new QGroupBox(central), QStringLiteral("Frame_controls"));
  auto* controls = new QVBoxLayout(ui_.Frame_controls);

  // The time stays in sight in every mode: the heat clock while a heat runs, the picture's run
  // time in review.
  ui_.Label_heat_time = make_label(ui_.Frame_controls, QStringLiteral("Label_heat_time"), QStringLiteral("00:00,00"));
  QFont big = ui_.Label_heat_time->font();
  big.setPointSize(22);
  big.setBold(true);
  ui_.Label_heat_time->setFont(big);
  ui_.Label_field = make_label(ui_.Frame_controls, QStringLiteral("Label_field"));
  auto* clock_row = new QHBoxLayout;
  clock_row->addWidget(ui_.Label_heat_time);
  clock_row->addStretch(1);
  clock_row->addWidget(ui_.Label_field);
  controls->addLayout(clock_row);

  ui_.Frame_Control_status = Named(new QGroupBox(QStringLiteral("Control status"), ui_.Frame_controls),
                                   QStringLiteral("Frame_Control_status"));
  auto* status = new QGridLayout(ui_.Frame_Control_status);
  ui_.Command_start_camera =
      make_button(ui_.Frame_Control_status, QStringLiteral("Command_start_camera"), QStringLiteral("Start camera"));
  ui_.cmd_live_view =
      make_button(ui_.Frame_Control_status, QStringLiteral("cmd_live_view"), QStringLiteral("Live view off"));
  ui_.Command_initiate_file =
      make_button(ui_.Frame_Control_status, QStringLiteral("Command_initiate_file"), QStringLiteral("Initiate file"));
  ui_.Command_finish =
      make_button(ui_.Frame_Control_status, QStringLiteral("Command_finish"), QStringLiteral("Heat finish"));
  ui_.Cmd_capture = make_button(ui_.Frame_Control_status, QStringLiteral("Cmd_capture"), QStringLiteral("Capture"));
  ui_.Command1 = make_button(ui_.Frame_Control_status, QStringLiteral("Command1"), QStringLiteral("Hide"));
  ui_.Command1->setFocusPolicy(Qt::TabFocus);
  // The camera and heat controls wait for the capture source and the heat lifecycle.
  for (QPushButton* b :
       {ui_.Command_start_camera, ui_.cmd_live_view, ui_.Command_initiate_file, ui_.Command_finish, ui_.Cmd_capture})
    b->setEnabled(false);
  status->addWidget(ui_.Command_start_camera, 0, 0);
  status->addWidget(ui_.cmd_live_view, 0, 1);
  status->addWidget(ui_.Command_initiate_file, 1, 0);
  status->addWidget(ui_.Command_finish, 1, 1);
  status->addWidget(ui_.Cmd_capture, 2, 0);
  status->addWidget(ui_.Command1, 2, 1);
  ui_.Option_selected_camera[1] = Named(new QRadioButton(QStringLiteral("Goal"), ui_.Frame_Control_status),
                                        QStringLiteral("Option_selected_camera_1"));
  ui_.Option_selected_camera[2] = Named(new QRadioButton(QStringLiteral("Split"), ui_.Frame_Control_status),
                                        QStringLiteral("Option_selected_camera_2"));
  status->addWidget(ui_.Option_selected_camera[1], 3, 0);
  status->addWidget(ui_.Option_selected_camera[2], 3, 1);
  ui_.Text_filename = Named(new QLineEdit(ui_.Frame_Control_status), QStringLiteral("Text_filename"));
  ui_.Text_filename->setReadOnly(true);
  status->addWidget(ui_.Text_filename, 4, 0, 1, 2);
  ui_.Label_read_framesize = make_label(ui_.Frame_Control_status, QStringLiteral("Label_read_framesize"));
  ui_.Label_filesize = make_label(ui_.Frame_Control_status, QStringLiteral("Label_filesize"));
  status->addWidget(ui_.Label_read_framesize, 5, 0);
  status->addWidget(ui_.Label_filesize, 5, 1);
  ui_.Label_capture_folder = make_label(ui_.Frame_Control_status, QStringLiteral("Label_capture_folder"));
  ui_.Label_capture_folder->setCursor(Qt::PointingHandCursor);
  ui_.Label_capture_folder->setFrameShape(QFrame::Panel);
  ui_.Label_capture_folder->installEventFilter(this);
  status->addWidget(ui_.Label_capture_folder, 6, 0, 1, 2);
  ui_.Label_Coll_count = make_label(ui_.Frame_Control_status, QStringLiteral("Label_Coll_count"));
  ui_.Label_running_fps = make_label(ui_.Frame_Control_status, QStringLiteral("Label_running_fps"));
  status->addWidget(ui_.Label_Coll_count, 7, 0);
  status->addWidget(ui_.Label_running_fps, 7, 1);
  ui_.Picture_arm = make_label(ui_.Frame_Control_status, QStringLiteral("Picture_arm"));
  ui_.Picture_arm->setFixedSize(48, 48);
  status->addWidget(ui_.Picture_arm, 8, 0);
  // Where the heat stands, so a finish that worked is seen to have worked.
  ui_.Label_heat_state = make_label(ui_.Frame_Control_status, QStringLiteral("Label_heat_state"));
  ui_.Label_heat_state->setWordWrap(true);
  status->addWidget(ui_.Label_heat_state, 8, 1);
  controls->addWidget(ui_.Frame_Control_status);

  ui_.Frame_dogs_Heat =
      Named(new QGroupBox(QStringLiteral("Heat data"), ui_.Frame_controls), QStringLiteral("Frame_dogs_Heat"));
  auto* heat = new QGridLayout(ui_.Frame_dogs_Heat);
  ui_.Label_event = make_label(ui_.Frame_dogs_Heat, QStringLiteral("Label_event"));
  ui_.Label_day = make_label(ui_.Frame_dogs_Heat, QStringLiteral("Label_day"));
  ui_.UpDown_heat = Named(new QSpinBox(ui_.Frame_dogs_Heat), QStringLiteral("UpDown_heat"));
  ui_.UpDown_heat->setRange(1, 100);
  ui_.Label_heat_num = make_label(ui_.Frame_dogs_Heat, QStringLiteral("Label_heat_num"));
  ui_.Label_heat_name = make_label(ui_.Frame_dogs_Heat, QStringLiteral("Label_heat_name"));
  ui_.Label_heat_length = make_label(ui_.Frame_dogs_Heat, QStringLiteral("Label_heat_length"));
  heat->addWidget(ui_.Label_event, 0, 0, 1, 2);
  heat->addWidget(ui_.Label_day, 0, 2);
  heat->addWidget(ui_.UpDown_heat, 1, 0);
  heat->addWidget(ui_.Label_heat_num, 1, 1);
  heat->addWidget(ui_.Label_heat_name, 1, 2);
  heat->addWidget(ui_.Label_heat_length, 2, 2);
  for (int i = 0; i < 6; ++i) {
    auto* number = make_label(ui_.Frame_dogs_Heat, QStringLiteral("Picture_dognum_%1").arg(i), QString::number(i + 1));
    number->setFixedSize(28, 22);
    number->setAlignment(Qt::AlignCenter);
    auto* dog = make_label(ui_.Frame_dogs_Heat, QStringLiteral("Label_dog_%1").arg(i));
    ui_.Picture_dognum.at(static_cast<size_t>(i)) = number;
    ui_.Label_dog.at(static_cast<size_t>(i)) = dog;
    heat->addWidget(number, 3 + i, 0);
    heat->addWidget(dog, 3 + i, 1, 1, 2);
  }
  ui_.Command_hide = make_button(ui_.Frame_dogs_Heat, QStringLiteral("Command_hide"), QStringLiteral("Hide"));
  heat->addWidget(ui_.Command_hide, 9, 2);
  controls->addWidget(ui_.Frame_dogs_Heat);

  ui_.Frame_heat = Named(new QGroupBox(QStringLiteral("Heat"), ui_.Frame_controls), QStringLiteral("Frame_heat"));
  auto* event_heat = new QGridLayout(ui_.Frame_heat);
  ui_.Label_event_file = make_label(ui_.Frame_heat, QStringLiteral("Label_event_file"));
  ui_.Label_event_name = make_label(ui_.Frame_heat, QStringLiteral("Label_event_name"));
  ui_.Label_heat_number2 = make_label(ui_.Frame_heat, QStringLiteral("Label_heat_number2"));
  ui_.Label_heat_name2 = make_label(ui_.Frame_heat, QStringLiteral("Label_heat_name2"));
  event_heat->addWidget(ui_.Label_event_file, 0, 0, 1, 2);
  event_heat->addWidget(ui_.Label_event_name, 1, 0, 1, 2);
  event_heat->addWidget(ui_.Label_heat_number2, 2, 0);
  event_heat->addWidget(ui_.Label_heat_name2, 2, 1);
  ui_.Frame_heat->hide();
  controls->addWidget(ui_.Frame_heat);

  ui_.Frame_Control_box =
      Named(new QGroupBox(QStringLiteral("Control Box"), ui_.Frame_controls), QStringLiteral("Frame_Control_box"));
  auto* box = new QGridLayout(ui_.Frame_Control_box);
  ui_.Label_attached = make_label(ui_.Frame_Control_box, QStringLiteral("Label_attached"));
  ui_.Label_Phidget_attached = make_label(ui_.Frame_Control_box, QStringLiteral("Label_Phidget_attached"));
  ui_.Label_RM = make_label(ui_.Frame_Control_box, QStringLiteral("Label_RM"));
  ui_.Label_remote_start = make_label(ui_.Frame_Control_box, QStringLiteral("Label_remote_start"));
  ui_.Picture_lamps = make_label(ui_.Frame_Control_box, QStringLiteral("Picture_lamps"));
  ui_.Picture_lamps->setFixedSize(Control_Box_Layout::Lamps);
  ui_.Label_GS[2] = make_label(ui_.Frame_Control_box, QStringLiteral("Label_GS_2"), QStringLiteral("Goal"));
  ui_.Label_GS[3] = make_label(ui_.Frame_Control_box, QStringLiteral("Label_GS_3"), QStringLiteral("Split"));
  ui_.Picture_armed_switch = make_label(ui_.Frame_Control_box, QStringLiteral("Picture_armed_switch"));
  ui_.Picture_armed_switch->setFixedSize(72, 48);
  ui_.Picture_LED = make_label(ui_.Frame_Control_box, QStringLiteral("Picture_LED"));
  ui_.Picture_LED->setFixedSize(24, 24);
  ui_.Picture_LED->setFrameShape(QFrame::Box);
  ui_.Command_start_heat =
      make_button(ui_.Frame_Control_box, QStringLiteral("Command_start_heat"), QStringLiteral("Start heat"));
  ui_.Command_start_heat->setEnabled(false);
  box->addWidget(ui_.Label_attached, 0, 0, 1, 2);
  box->addWidget(ui_.Label_Phidget_attached, 0, 2);
  box->addWidget(ui_.Picture_lamps, 1, 0, 1, 3);
  box->addWidget(ui_.Label_RM, 2, 0);
  box->addWidget(ui_.Label_GS[2], 2, 1);
  box->addWidget(ui_.Label_GS[3], 2, 2);
  box->addWidget(ui_.Picture_armed_switch, 3, 0);
  box->addWidget(ui_.Label_remote_start, 3, 1, 1, 2);
  box->addWidget(ui_.Picture_LED, 4, 0);
  box->addWidget(ui_.Command_start_heat, 4, 1, 1, 2);
  for (QLabel* l : {ui_.Label_RM, ui_.Label_remote_start, ui_.Label_GS[2], ui_.Label_GS[3]})
    l->hide();
  controls->addWidget(ui_.Frame_Control_box);
  controls->addStretch(1);

  ui_.Frame_slit = Named(new QWidget(central), QStringLiteral("Frame_slit"));
  ui_.Frame_slit->hide();
  ui_.Frame_loupe = Named(new QWidget(central), QStringLiteral("Frame_loupe"));
  ui_.Frame_loupe->hide();

  ui_.Timer1 = Named(new QTimer(this), QStringLiteral("Timer1"));
  ui_.Timer1->setInterval(50);
  ui_.Timer_2 = Named(new QTimer(this), QStringLiteral("Timer_2"));
  ui_.Timer_2->setInterval(1000);
}

void Form_Doravent::report(int32_t step, const QString& procedure) {
  report_current_exception(step, procedure + QStringLiteral(" of Form Form_Doravent"));
}

void Form_Doravent::closeEvent(QCloseEvent* event) {
  // Form_QueryUnload: the one shutdown path, whatever closes the window.
  if (!ended_ && !Doravent_End()) {
    event->ignore();
    return;
  }
  key_filter_->Remove_Hook();
  event->accept();
}

void Form_Doravent::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!screen_watched_ && windowHandle()) {
    screen_watched_ = true;
    connect(windowHandle(), &QWindow::screenChanged, this, [this] {
      Update_Max_Picture_Height();
      Arrange_form();
    });
  }
  Update_Max_Picture_Height();
  Form_Activate();
  // The window manager's frame is known only once the window is on the screen: measured again
  // then, so the whole window fits.
  QTimer::singleShot(0, this, [this] {
    Update_Max_Picture_Height();
    Arrange_form();
  });
}

void Form_Doravent::mousePressEvent(QMouseEvent* event) {
  if (ui_.Slider_play->isVisible() && ui_.Slider_play->isEnabled()) ui_.Slider_play->setFocus();
  QMainWindow::mousePressEvent(event);
}

bool Form_Doravent::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui_.Label_capture_folder && event->type() == QEvent::MouseButtonRelease) {
    Label_capture_folder_Click();
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}
