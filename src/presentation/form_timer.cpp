#include "presentation/form_timer.h"

#include "platform/clock.h"
#include "platform/error_report.h"
#include "platform/trace.h"
#include "presentation/named_controls.h"
#include "timing/time_text.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace {

const QString Design_Time = QStringLiteral("11:12:13,14");
// A picture large enough for a camera to read the arm from across the finish.
constexpr int Arm_Picture_Px = 124;
const QColor Arm_Background = Qt::white;

QLabel* make_label(QWidget* parent, const QString& name, const QString& text) {
  QLabel* label = Named_Label(parent, name, text);
  QFont font(QStringLiteral("Arial"));
  font.setPointSize(22);
  label->setFont(font);
  return label;
}

} // namespace

Running_Arm Running_Arm_Line(QSize inner, int32_t hundredths) {
  const double angle = hundredths / 99.0 * 2.0 * 3.14159 - 1.570795;
  Running_Arm arm;
  arm.centre = QPoint(inner.width() / 2, inner.height() / 2);
  arm.tip =
      QPointF(arm.centre.x() + arm.centre.x() * std::cos(angle), arm.centre.y() + arm.centre.y() * std::sin(angle));
  // A thin picture still gets a visible arm; a wide one no more than 4 pixels.
  arm.width = std::clamp(static_cast<int32_t>(std::nearbyint(inner.width() / 8.0)), 1, 4);
  return arm;
}

Form_timer::Form_timer(QWidget* owner) : QWidget(owner, Qt::Window) {
  setObjectName(QStringLiteral("Form_timer"));
  setWindowTitle(QStringLiteral("Form1"));

  Picture_arm = new QLabel(this);
  Picture_arm->setObjectName(QStringLiteral("Picture_arm"));
  Picture_arm->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Picture_arm->setFixedSize(Arm_Picture_Px, Arm_Picture_Px);
  Picture_arm->setAutoFillBackground(true);
  QPalette palette = Picture_arm->palette();
  palette.setColor(QPalette::Window, Arm_Background);
  Picture_arm->setPalette(palette);

  Label_time = make_label(this, QStringLiteral("Label_time"), Design_Time);
  Label_elapsed = make_label(this, QStringLiteral("Label_elapsed"), Design_Time);

  auto* grid = new QGridLayout(this);
  grid->addWidget(Picture_arm, 0, 0, 2, 1);
  grid->addWidget(Label_time, 0, 1);
  grid->addWidget(Label_elapsed, 1, 1);
  grid->setColumnMinimumWidth(1, 220);

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(40);
  connect(Timer1, &QTimer::timeout, this, &Form_timer::Timer1_Timer);
}

Form_timer::~Form_timer() = default;

void Form_timer::Form_Activate() { Timer1->start(); }

void Form_timer::Form_Deactivate() { Timer1->stop(); }

void Form_timer::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange) {
    if (isActiveWindow())
      Form_Activate();
    else
      Form_Deactivate();
  }
  QWidget::changeEvent(event);
}

void Form_timer::Timer1_Timer() {
  int32_t step = 10;
  try {
    ++tick_count_;
    if (tick_count_ > 99) tick_count_ = 1;
    step = 20;
    const QString time_of_day = Display_Mill_Time(Local_Mill_Now(), false);
    Label_time->setText(time_of_day);
    step = 30;
    const qsizetype comma = time_of_day.indexOf(QLatin1Char(','));
    arm_hundredths_ = comma >= 0 ? time_of_day.mid(comma + 1, 2) : QString();
    step = 40;
    Draw_Running_Arm(Picture_arm, QColor(0, 0, 255));
    step = 50;
    if (heat_time_) Label_elapsed->setText(heat_time_());
  } catch (...) {
    // The tick ends here; the next starts afresh. Not reported: it would come 25 times a second.
    const Error_Info info = describe_exception(std::current_exception());
    Trace_Message("*Timer1_Timer error", step, info.number, info.description);
  }
}

void Form_timer::Draw_Running_Arm(QLabel* picture, const QColor& colour) {
  if (!picture) return;
  const QSize inner = picture->contentsRect().size();
  if (inner.isEmpty()) return;
  QPixmap surface(inner);
  surface.fill(picture->palette().color(QPalette::Window));
  const Running_Arm arm = Running_Arm_Line(inner, arm_hundredths_.toInt());
  QPainter painter(&surface);
  painter.setPen(QPen(colour, arm.width, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(arm.tip, QPointF(arm.centre));
  painter.end();
  picture->setPixmap(surface);
  picture->repaint();
}
