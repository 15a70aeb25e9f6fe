#include "app/kit_controller.h"

#include "kit/kit_input.h"
#include "kit/phidget_kit.h"
#include "kit/simulated_kit.h"
#include "platform/clock.h"
#include "platform/error_report.h"
#include "platform/program_info.h"
#include "platform/prompts.h"
#include "platform/trace.h"
#include "presentation/control_box_drawing.h"
#include "presentation/simulated_kit_form.h"
#include "timing/heat_session.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QThread>

namespace {

void set_colour(QLabel* label, const QColor& colour) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
}

QColor face() { return QApplication::palette().color(QPalette::Button); }

} // namespace

Kit_Controller::Kit_Controller(const Main_Window_Parts& parts) : Window_Binding(parts) {
  ui_.Picture_LED->installEventFilter(this);
  if (QAction* blink = ui_.item(QStringLiteral("item_Blink_LED")))
    connect(blink, &QAction::triggered, this, [this] { item_Blink_LED_Click(); });
}

Kit_Controller::~Kit_Controller() {
  // The kit must not deliver into a controller that is going.
  if (kit_) {
    kit_->set_Events(nullptr);
    kit_->Close();
  }
  simulated_form_.reset();
}

void Kit_Controller::report(int32_t step, const char* procedure) {
  report_current_exception(step, QString::fromLatin1(procedure) + QStringLiteral(" of Form Form_Doravent"));
}

bool Kit_Controller::input(int32_t index) const { return kit_ && kit_->IsAttached() && kit_->Input(index); }

int32_t Kit_Controller::Serial_Number() const { return kit_ && kit_->IsAttached() ? kit_->SerialNumber() : 0; }

void Kit_Controller::set_LED(bool on) {
  if (kit_ && kit_->IsAttached()) kit_->set_Output(0, on);
}

bool Kit_Controller::Check_For_Phidget(bool simulated) {
  int32_t step = 10;
  // Until a kit is found the heat does not wait for one.
  heat_.set_Kit_Present(false);
  try {
    if (simulated) {
      auto kit = std::make_unique<Simulated_Kit>();
      simulated_ = kit.get();
      kit_ = std::move(kit);
      simulated_form_ = std::make_unique<Simulated_Kit_Form>(*simulated_);
      simulated_form_->show();
      Trace_Message("*Check_for_Phidget OK = ", true, " ,version = ", kit_->LibraryVersion());
    } else {
      if (!::Check_For_Phidget().present) return false;
      step = 20;
      QString why;
      kit_ = Create_Phidget_Kit(why);
      if (!kit_) {
        Trace_Message("*Check_For_Phidget_Error", why);
        return false;
      }
    }
    present_ = true;
    heat_.set_Kit_Present(true);
    step = 30;
    kit_->set_Events(this);
    QString why;
    if (!kit_->Open(why)) Trace_Message("*Check_For_Phidget, the kit did not open", why);
    QCoreApplication::processEvents();
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < open_wait_ms_)
      QCoreApplication::processEvents(QEventLoop::AllEvents, static_cast<int>(open_wait_ms_ - wait.elapsed()));
    Trace_Message("*Phidget present " + kit_->DeviceName() + "/" + QString::number(kit_->SerialNumber()) + "/" +
                  kit_->DeviceVersion());
    return true;
  } catch (...) {
    report(step, "Check_For_Phidget");
    return present_;
  }
}

void Kit_Controller::OnAttach() {
  attached_mill_ = Mill_Now();
  Trace_Message("*obj_Phidget_OnAttach");
  heat_.set_Kit(true, kit_ ? kit_->SerialNumber() : 0);
  heat_.set_Armed(input(1));
  Check_Attached();
}

void Kit_Controller::OnDetach() {
  Trace_Message("*obj_Phidget_OnDetach");
  heat_.set_Kit(false, 0);
  heat_.set_Armed(false);
  Check_Attached();
}

void Kit_Controller::OnInputChange(int32_t index, bool new_state, const Kit_Stamp& stamp) {
  int32_t step = 10;
  try {
    if (!Input_Change_Handled(stamp.mill, program().Ready_Mill)) return;
    const Kit_Input_Response response = Input_Change_Response(index, new_state, input(1));
    // The LED first: the camera-delay calibration reads every lag before it as camera delay.
    if (response.update_led) Update_LED();
    Trace_Message("*obj_Phidget_OnInputChange, Index = ", index, " NewState = ", new_state);
    if (index == 1) heat_.set_Armed(new_state);
    step = 20;
    if (response.handle_start) {
      Q_EMIT start_signal(Start_Stamp{stamp.mill, stamp.local, stamp.when});
      // A camera trigger already closed at the start keeps the frames from the start on.
      if (input(3) || input(4) || input(5)) Q_EMIT capture_start();
    }
    step = 40;
    if (response.capture_start) Q_EMIT capture_start();
    if (response.capture_end) Q_EMIT capture_end();
    step = 50;
    Trace_Message("obj_Phidget_OnInputChange, before Check_Attached");
    Check_Attached();
    Trace_Message("obj_Phidget_OnInputChange, after Check_Attached");
  } catch (...) {
    Beep();
    report(step, "obj_Phidget_OnInputChange");
  }
}

void Kit_Controller::Update_LED() { set_LED(input(0)); }

void Kit_Controller::Check_Attached() {
  if (!present_) {
    Trace_Message("*Check_Attached m_Phidget_Present = False");
    return;
  }
  int32_t step = 10;
  try {
    ui_.Picture_lamps->clear();
    step = 20;
    if (!kit_ || !kit_->IsAttached()) {
      ui_.Frame_Control_box->setEnabled(false);
      ui_.Label_attached->setText(QStringLiteral("Not attached"));
      set_colour(ui_.Label_attached, QColor(0, 0, 0));
      ui_.Label_Phidget_attached->setText(QStringLiteral("Not attached"));
      Trace_Message("Check_Attached obj_Phidget.IsAttached = false");
      ui_.Label_RM->hide();
      ui_.Label_remote_start->hide();
      ui_.Picture_LED->hide();
      for (std::size_t i = 2; i <= 3; ++i)
        ui_.Label_GS.at(i)->hide();
      Control_Lamps_State grey;
      grey.face = face();
      ui_.Picture_lamps->setPixmap(QPixmap::fromImage(Draw_Control_Lamps(grey)));
      ui_.Command_start_heat->setEnabled(false);
      return;
    }
    step = 30;
    Trace_Message("*Check_Attached obj_Phidget.IsAttached = True");
    ui_.Frame_Control_box->setEnabled(true);
    const QString attached = QStringLiteral("Attached, serial = ") + QString::number(kit_->SerialNumber());
    for (QLabel* label : {ui_.Label_attached, ui_.Label_Phidget_attached}) {
      label->setText(attached);
      set_colour(label, QColor(0, 128, 0));
    }
    ui_.Command_initiate_file->setEnabled(true);
    ui_.Label_RM->show();
    ui_.Label_remote_start->show();
    ui_.Picture_LED->show();
    ui_.Command_start_heat->setEnabled(true);

    step = 40;
    Control_Lamps_State lamps;
    lamps.attached = true;
    lamps.face = face();
    lamps.start_contact = input(0);
    ui_.Label_RM->setText(lamps.start_contact ? QStringLiteral("RM closed") : QStringLiteral("RM open"));
    set_colour(ui_.Label_RM, lamps.start_contact ? QColor(255, 128, 0) : QColor(0, 0, 0));

    step = 50;
    const bool armed = input(1);
    ui_.Label_remote_start->setText(armed ? QStringLiteral("Start armed!") : QStringLiteral("Start not armed!"));
    set_colour(ui_.Label_remote_start, armed ? QColor(0, 192, 0) : QColor(255, 0, 0));
    Draw_Start_Switch(armed);

    step = 60;
    for (std::size_t n = 3; n <= 4; ++n) {
      const bool closed = input(static_cast<int32_t>(n));
      lamps.camera.at(n - 3) = closed;
      ui_.Label_GS.at(n - 1)->setVisible(closed);
    }
    // Detached while this ran: the cameras take the face colour.
    lamps.attached = kit_->IsAttached();
    ui_.Picture_lamps->setPixmap(QPixmap::fromImage(Draw_Control_Lamps(lamps)));

    step = 70;
    draw_LED();
    Trace_Message("Check_Attached, End");
  } catch (...) {
    const Error_Info info = describe_exception(std::current_exception());
    Msg_Box(QString::number(step) + QStringLiteral(" Check_attached error ") + QString::number(info.number) +
            QLatin1Char(' ') + info.description);
    report(step, "Check_Attached");
  }
}

void Kit_Controller::Draw_Start_Switch(bool armed) {
  ui_.Picture_armed_switch->setPixmap(
      QPixmap::fromImage(Draw_Start_Switch_Picture(ui_.Picture_armed_switch->size(), armed)));
}

void Kit_Controller::draw_LED() {
  const bool lit = led_pressed_ || input(0);
  ui_.Picture_LED->setPixmap(QPixmap::fromImage(Draw_LED_Picture(ui_.Picture_LED->size(), lit, face())));
  set_LED(lit);
}

void Kit_Controller::item_Blink_LED_Click() {
  try {
    set_LED(true);
    // The operator watches the kit, not the window: nothing else runs meanwhile.
    for (int i = 0; i < 200; ++i)
      QThread::msleep(10);
    set_LED(false);
  } catch (...) {
    report(10, "item_Blink_LED_Click");
  }
}

void Kit_Controller::Picture_LED_MouseDown() {
  led_pressed_ = true;
  Check_Attached();
}

void Kit_Controller::Picture_LED_MouseUp() {
  led_pressed_ = false;
  Check_Attached();
}

bool Kit_Controller::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui_.Picture_LED) {
    if (event->type() == QEvent::MouseButtonPress) Picture_LED_MouseDown();
    if (event->type() == QEvent::MouseButtonRelease) Picture_LED_MouseUp();
  }
  return QObject::eventFilter(watched, event);
}

void Kit_Controller::Heat_State_Changed() {
  if (heat_.Cameras_Running() == cameras_seen_) return;
  cameras_seen_ = heat_.Cameras_Running();
  // A camera started: the Control Box shows the kit as it is now.
  if (cameras_seen_) Check_Attached();
}
