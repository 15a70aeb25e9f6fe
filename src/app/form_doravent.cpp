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
#include "app/results_controller.h"
#include "app/review_controller.h"
#include "app/set_times_controller.h"
#include "app/slit_controller.h"
#include "app/subfield_controller.h"
#include "capture/capture_component.h"
#include "platform/error_report.h"
#include "platform/program_info.h"
#include "platform/single_instance.h"
#include "platform/trace.h"
#include "presentation/control_box_drawing.h"
#include "presentation/form_select_video.h"
#include "recording/video_file_handler.h"

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

namespace {

template <class W> W* named(W* widget, const QString& name) {
  widget->setObjectName(name);
  return widget;
}

QLabel* make_label(QWidget* parent, const QString& name, const QString& caption = {}) {
  return named(new QLabel(caption, parent), name);
}

QPushButton* make_button(QWidget* parent, const QString& name, const QString& caption) {
  auto* b = named(new QPushButton(caption, parent), name);
  b->setFocusPolicy(Qt::NoFocus);
  return b;
}

} // namespace

Form_Doravent::Form_Doravent(Options options, QWidget* parent) : QMainWindow(parent), options_(std::move(options)) {
  setObjectName(QStringLiteral("Form_Doravent"));
  setWindowTitle(QStringLiteral("Doravent HDMI"));
  setAttribute(Qt::WA_DeleteOnClose, false);
  build_controls();
  build_menus();
  obj_QN3_Handler_ = std::make_unique<cls_VideoFile_handler>();
  review_ = std::make_unique<Review_Controller>(*this);
  events_ = std::make_unique<Event_Controller>(*this);
  results_ = std::make_unique<Results_Controller>(*this);
  goal_line_ = std::make_unique<Goal_Line_Controller>(*this);
  playback_ = std::make_unique<Playback_Controller>(*this);
  set_times_ = std::make_unique<Set_Times_Controller>(*this);
  kit_ = std::make_unique<Kit_Controller>(*this);
  camera_ = std::make_unique<Camera_Controller>(
      *this, options_.capture_devices ? options_.capture_devices
                                      : Camera_Controller::Component_Factory([] { return Make_Capture_Component(); }));
  heat_ = std::make_unique<Heat_Controller>(*this);
  print_ = std::make_unique<Print_Controller>(*this);
  key_filter_ = std::make_unique<App_Key_Filter>(*this);
  slit_ = std::make_unique<Slit_Controller>(*this);
  subfield_ = std::make_unique<Subfield_Controller>(*this);
  calibration_ = std::make_unique<Calibration_Controller>(*this);
  loupe_ = std::make_unique<Loupe_Controller>(*this);
  Wire_Controllers();
}

Form_Doravent::~Form_Doravent() {
  if (!ended_) Stop_All_Windows();
  // The event window signals the results controller; it must go before the controller it calls.
  events_.reset();
}

bool Form_Doravent::Ending() const { return program().Ending; }

void Form_Doravent::build_controls() {
  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("Form_Doravent_client"));
  setCentralWidget(central);

  Picture_out = named(new Picture_Box(central), QStringLiteral("Picture_out"));
  Picture_out->resize(400, 440);

  Frame_settimes = named(new QGroupBox(QStringLiteral("Set times"), central), QStringLiteral("Frame_settimes"));
  auto* set_grid = new QGridLayout(Frame_settimes);
  Slider_play = named(new QSlider(Qt::Horizontal, Frame_settimes), QStringLiteral("Slider_play"));
  Slider_play->setRange(1, 1);
  Slider_play->setEnabled(false);
  set_grid->addWidget(Slider_play, 0, 0, 1, 6);
  for (int i = 0; i < 6; ++i) {
    auto* b = make_button(Frame_settimes, QStringLiteral("Command_BOX_set_time_%1").arg(i), QString::number(i + 1));
    b->setMinimumHeight(36);
    b->setEnabled(false);
    Command_BOX_set_time.at(static_cast<size_t>(i)) = b;
    set_grid->addWidget(b, 1, i);
  }
  Cmd_add_hundredth = make_button(Frame_settimes, QStringLiteral("Cmd_add_hundredth"), QStringLiteral("+ 1/100"));
  Cmd_Split = make_button(Frame_settimes, QStringLiteral("Cmd_Split"), QStringLiteral("Goal"));
  Cmd_Notime = make_button(Frame_settimes, QStringLiteral("Cmd_Notime"), QStringLiteral("No Time"));
  Cmd_DeadHeat = make_button(Frame_settimes, QStringLiteral("Cmd_DeadHeat"), QStringLiteral("Dead heat"));
  // The mode buttons get a row of their own so the six box buttons stay equal.
  auto* modes = new QHBoxLayout;
  for (QPushButton* b : {Cmd_add_hundredth, Cmd_Split, Cmd_Notime, Cmd_DeadHeat}) {
    b->setEnabled(false);
    modes->addWidget(b);
  }
  modes->addStretch(1);
  set_grid->addLayout(modes, 2, 0, 1, 6);
  for (int i = 0; i < 6; ++i)
    set_grid->setColumnStretch(i, 1);

  Frame_controls = named(new QGroupBox(central), QStringLiteral("Frame_controls"));
  auto* controls = new QVBoxLayout(Frame_controls);

  // The time stays in sight in every mode: the heat clock while a heat runs, the picture's run
  // time in review.
  Label_heat_time = make_label(Frame_controls, QStringLiteral("Label_heat_time"), QStringLiteral("00:00,00"));
  QFont big = Label_heat_time->font();
  big.setPointSize(22);
  big.setBold(true);
  Label_heat_time->setFont(big);
  Label_field = make_label(Frame_controls, QStringLiteral("Label_field"));
  auto* clock_row = new QHBoxLayout;
  clock_row->addWidget(Label_heat_time);
  clock_row->addStretch(1);
  clock_row->addWidget(Label_field);
  controls->addLayout(clock_row);

  Frame_Control_status =
      named(new QGroupBox(QStringLiteral("Control status"), Frame_controls), QStringLiteral("Frame_Control_status"));
  auto* status = new QGridLayout(Frame_Control_status);
  Command_start_camera =
      make_button(Frame_Control_status, QStringLiteral("Command_start_camera"), QStringLiteral("Start camera"));
  cmd_live_view = make_button(Frame_Control_status, QStringLiteral("cmd_live_view"), QStringLiteral("Live view off"));
  Command_initiate_file =
      make_button(Frame_Control_status, QStringLiteral("Command_initiate_file"), QStringLiteral("Initiate file"));
  Command_finish = make_button(Frame_Control_status, QStringLiteral("Command_finish"), QStringLiteral("Heat finish"));
  Cmd_capture = make_button(Frame_Control_status, QStringLiteral("Cmd_capture"), QStringLiteral("Capture"));
  Command1 = make_button(Frame_Control_status, QStringLiteral("Command1"), QStringLiteral("Hide"));
  Command1->setFocusPolicy(Qt::TabFocus);
  // The camera and heat controls wait for the capture source and the heat lifecycle.
  for (QPushButton* b : {Command_start_camera, cmd_live_view, Command_initiate_file, Command_finish, Cmd_capture})
    b->setEnabled(false);
  status->addWidget(Command_start_camera, 0, 0);
  status->addWidget(cmd_live_view, 0, 1);
  status->addWidget(Command_initiate_file, 1, 0);
  status->addWidget(Command_finish, 1, 1);
  status->addWidget(Cmd_capture, 2, 0);
  status->addWidget(Command1, 2, 1);
  Option_selected_camera[1] =
      named(new QRadioButton(QStringLiteral("Goal"), Frame_Control_status), QStringLiteral("Option_selected_camera_1"));
  Option_selected_camera[2] = named(new QRadioButton(QStringLiteral("Split"), Frame_Control_status),
                                    QStringLiteral("Option_selected_camera_2"));
  status->addWidget(Option_selected_camera[1], 3, 0);
  status->addWidget(Option_selected_camera[2], 3, 1);
  Text_filename = named(new QLineEdit(Frame_Control_status), QStringLiteral("Text_filename"));
  Text_filename->setReadOnly(true);
  status->addWidget(Text_filename, 4, 0, 1, 2);
  Label_read_framesize = make_label(Frame_Control_status, QStringLiteral("Label_read_framesize"));
  Label_filesize = make_label(Frame_Control_status, QStringLiteral("Label_filesize"));
  status->addWidget(Label_read_framesize, 5, 0);
  status->addWidget(Label_filesize, 5, 1);
  Label_capture_folder = make_label(Frame_Control_status, QStringLiteral("Label_capture_folder"));
  Label_capture_folder->setCursor(Qt::PointingHandCursor);
  Label_capture_folder->setFrameShape(QFrame::Panel);
  Label_capture_folder->installEventFilter(this);
  status->addWidget(Label_capture_folder, 6, 0, 1, 2);
  Label_Coll_count = make_label(Frame_Control_status, QStringLiteral("Label_Coll_count"));
  Label_running_fps = make_label(Frame_Control_status, QStringLiteral("Label_running_fps"));
  status->addWidget(Label_Coll_count, 7, 0);
  status->addWidget(Label_running_fps, 7, 1);
  Picture_arm = make_label(Frame_Control_status, QStringLiteral("Picture_arm"));
  Picture_arm->setFixedSize(48, 48);
  status->addWidget(Picture_arm, 8, 0);
  controls->addWidget(Frame_Control_status);

  Frame_dogs_Heat =
      named(new QGroupBox(QStringLiteral("Heat data"), Frame_controls), QStringLiteral("Frame_dogs_Heat"));
  auto* heat = new QGridLayout(Frame_dogs_Heat);
  Label_event = make_label(Frame_dogs_Heat, QStringLiteral("Label_event"));
  Label_day = make_label(Frame_dogs_Heat, QStringLiteral("Label_day"));
  UpDown_heat = named(new QSpinBox(Frame_dogs_Heat), QStringLiteral("UpDown_heat"));
  UpDown_heat->setRange(1, 100);
  Label_heat_num = make_label(Frame_dogs_Heat, QStringLiteral("Label_heat_num"));
  Label_heat_name = make_label(Frame_dogs_Heat, QStringLiteral("Label_heat_name"));
  Label_heat_length = make_label(Frame_dogs_Heat, QStringLiteral("Label_heat_length"));
  heat->addWidget(Label_event, 0, 0, 1, 2);
  heat->addWidget(Label_day, 0, 2);
  heat->addWidget(UpDown_heat, 1, 0);
  heat->addWidget(Label_heat_num, 1, 1);
  heat->addWidget(Label_heat_name, 1, 2);
  heat->addWidget(Label_heat_length, 2, 2);
  for (int i = 0; i < 6; ++i) {
    auto* number = make_label(Frame_dogs_Heat, QStringLiteral("Picture_dognum_%1").arg(i), QString::number(i + 1));
    number->setFixedSize(28, 22);
    number->setAlignment(Qt::AlignCenter);
    auto* dog = make_label(Frame_dogs_Heat, QStringLiteral("Label_dog_%1").arg(i));
    Picture_dognum.at(static_cast<size_t>(i)) = number;
    Label_dog.at(static_cast<size_t>(i)) = dog;
    heat->addWidget(number, 3 + i, 0);
    heat->addWidget(dog, 3 + i, 1, 1, 2);
  }
  Command_hide = make_button(Frame_dogs_Heat, QStringLiteral("Command_hide"), QStringLiteral("Hide"));
  heat->addWidget(Command_hide, 9, 2);
  controls->addWidget(Frame_dogs_Heat);

  Frame_heat = named(new QGroupBox(QStringLiteral("Heat"), Frame_controls), QStringLiteral("Frame_heat"));
  auto* event_heat = new QGridLayout(Frame_heat);
  Label_event_file = make_label(Frame_heat, QStringLiteral("Label_event_file"));
  Label_event_name = make_label(Frame_heat, QStringLiteral("Label_event_name"));
  Label_heat_number2 = make_label(Frame_heat, QStringLiteral("Label_heat_number2"));
  Label_heat_name2 = make_label(Frame_heat, QStringLiteral("Label_heat_name2"));
  event_heat->addWidget(Label_event_file, 0, 0, 1, 2);
  event_heat->addWidget(Label_event_name, 1, 0, 1, 2);
  event_heat->addWidget(Label_heat_number2, 2, 0);
  event_heat->addWidget(Label_heat_name2, 2, 1);
  Frame_heat->hide();
  controls->addWidget(Frame_heat);

  Frame_Control_box =
      named(new QGroupBox(QStringLiteral("Control Box"), Frame_controls), QStringLiteral("Frame_Control_box"));
  auto* box = new QGridLayout(Frame_Control_box);
  Label_attached = make_label(Frame_Control_box, QStringLiteral("Label_attached"));
  Label_Phidget_attached = make_label(Frame_Control_box, QStringLiteral("Label_Phidget_attached"));
  Label_RM = make_label(Frame_Control_box, QStringLiteral("Label_RM"));
  Label_remote_start = make_label(Frame_Control_box, QStringLiteral("Label_remote_start"));
  Picture_lamps = make_label(Frame_Control_box, QStringLiteral("Picture_lamps"));
  Picture_lamps->setFixedSize(Control_Box_Layout::Lamps);
  Label_GS[2] = make_label(Frame_Control_box, QStringLiteral("Label_GS_2"), QStringLiteral("Goal"));
  Label_GS[3] = make_label(Frame_Control_box, QStringLiteral("Label_GS_3"), QStringLiteral("Split"));
  Picture_armed_switch = make_label(Frame_Control_box, QStringLiteral("Picture_armed_switch"));
  Picture_armed_switch->setFixedSize(72, 48);
  Picture_LED = make_label(Frame_Control_box, QStringLiteral("Picture_LED"));
  Picture_LED->setFixedSize(24, 24);
  Picture_LED->setFrameShape(QFrame::Box);
  Command_start_heat =
      make_button(Frame_Control_box, QStringLiteral("Command_start_heat"), QStringLiteral("Start heat"));
  Command_start_heat->setEnabled(false);
  box->addWidget(Label_attached, 0, 0, 1, 2);
  box->addWidget(Label_Phidget_attached, 0, 2);
  box->addWidget(Picture_lamps, 1, 0, 1, 3);
  box->addWidget(Label_RM, 2, 0);
  box->addWidget(Label_GS[2], 2, 1);
  box->addWidget(Label_GS[3], 2, 2);
  box->addWidget(Picture_armed_switch, 3, 0);
  box->addWidget(Label_remote_start, 3, 1, 1, 2);
  box->addWidget(Picture_LED, 4, 0);
  box->addWidget(Command_start_heat, 4, 1, 1, 2);
  for (QLabel* l : {Label_RM, Label_remote_start, Label_GS[2], Label_GS[3]})
    l->hide();
  controls->addWidget(Frame_Control_box);
  controls->addStretch(1);

  Frame_slit = named(new QWidget(central), QStringLiteral("Frame_slit"));
  Frame_slit->hide();
  Frame_loupe = named(new QWidget(central), QStringLiteral("Frame_loupe"));
  Frame_loupe->hide();

  Timer1 = named(new QTimer(this), QStringLiteral("Timer1"));
  Timer1->setInterval(50);
  Timer_2 = named(new QTimer(this), QStringLiteral("Timer_2"));
  Timer_2->setInterval(1000);
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
    connect(windowHandle(), &QWindow::screenChanged, this, [this] { Update_Max_Picture_Height(); });
  }
  Update_Max_Picture_Height();
  Form_Activate();
}

void Form_Doravent::mousePressEvent(QMouseEvent* event) {
  if (Slider_play->isVisible() && Slider_play->isEnabled()) Slider_play->setFocus();
  QMainWindow::mousePressEvent(event);
}

bool Form_Doravent::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Label_capture_folder && event->type() == QEvent::MouseButtonRelease) {
    Label_capture_folder_Click();
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}
