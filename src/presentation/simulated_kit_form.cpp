#include "presentation/simulated_kit_form.h"

#include "kit/simulated_kit.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QColor Led_On(255, 255, 0);
const QColor Led_Off(100, 100, 100);

} // namespace

Simulated_LED::Simulated_LED(QWidget* parent) : QWidget(parent) { setMinimumSize(24, 24); }

void Simulated_LED::set_Lit(bool lit) {
  if (lit_ == lit) return;
  lit_ = lit;
  update();
}

void Simulated_LED::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const int side = std::min(width(), height()) - 4;
  const QRectF disc((width() - side) / 2.0, (height() - side) / 2.0, side, side);
  p.setPen(QPen(Qt::black, 2));
  p.setBrush(lit_ ? Led_On : Led_Off);
  p.drawEllipse(disc);
}

QStringList Simulated_Kit_Form::Input_Captions() {
  return {QStringLiteral("Start contact"), QStringLiteral("Armed"),        QStringLiteral("Remote start"),
          QStringLiteral("Goal camera"),   QStringLiteral("Split camera"), QStringLiteral("Camera 3")};
}

Simulated_Kit_Form::Simulated_Kit_Form(Simulated_Kit& kit, QWidget* owner) : QWidget(owner, Qt::Window), kit_(kit) {
  setObjectName(QStringLiteral("Form_simulated_kit"));
  setWindowTitle(QStringLiteral("Simulated kit"));

  Label_sim_attached = new QLabel(this);
  Label_sim_attached->setObjectName(QStringLiteral("Label_sim_attached"));

  auto* inputs = new QGroupBox(QStringLiteral("Inputs"), this);
  auto* input_rows = new QVBoxLayout(inputs);
  const QStringList captions = Input_Captions();
  for (int32_t i = 0; i < Kit_Inputs; ++i) {
    auto* box = new QCheckBox(QStringLiteral("%1  %2").arg(i).arg(captions[i]), inputs);
    box->setObjectName(QStringLiteral("Check_input_%1").arg(i));
    box->setChecked(kit_.Switch(i));
    connect(box, &QCheckBox::toggled, this, [this, i](bool closed) { kit_.set_Switch(i, closed); });
    // A race script moves the switches too.
    connect(&kit_, &Simulated_Kit::Switch_Changed, box, [box, i](int32_t index, bool closed) {
      if (index == i) box->setChecked(closed);
    });
    input_rows->addWidget(box);
    Check_input[static_cast<size_t>(i)] = box;
  }

  auto* output = new QGroupBox(QStringLiteral("Output"), this);
  auto* output_row = new QHBoxLayout(output);
  Picture_sim_LED = new Simulated_LED(output);
  Picture_sim_LED->setObjectName(QStringLiteral("Picture_sim_LED"));
  output_row->addWidget(Picture_sim_LED);
  output_row->addWidget(new QLabel(QStringLiteral("0  LED"), output), 1);

  Command_attach = new QPushButton(QStringLiteral("Attach"), this);
  Command_attach->setObjectName(QStringLiteral("Command_attach"));
  Command_detach = new QPushButton(QStringLiteral("Detach"), this);
  Command_detach->setObjectName(QStringLiteral("Command_detach"));
  connect(Command_attach, &QPushButton::clicked, this, [this] {
    kit_.Attach();
    refresh();
  });
  connect(Command_detach, &QPushButton::clicked, this, [this] {
    kit_.Detach();
    refresh();
  });
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Command_attach);
  buttons->addWidget(Command_detach);

  auto* column = new QVBoxLayout(this);
  column->addWidget(Label_sim_attached);
  column->addWidget(inputs);
  column->addWidget(output);
  column->addLayout(buttons);

  connect(&kit_, &Simulated_Kit::Output_Changed, this, [this](int32_t index, bool on) {
    if (index == 0) Picture_sim_LED->set_Lit(on);
  });
  connect(&kit_, &Simulated_Kit::Kit_Changed, this, &Simulated_Kit_Form::refresh);
  refresh();
}

Simulated_Kit_Form::~Simulated_Kit_Form() = default;

void Simulated_Kit_Form::refresh() {
  QString text;
  QColor colour = Qt::black;
  if (kit_.IsAttached()) {
    text = QStringLiteral("Attached, serial = %1").arg(kit_.SerialNumber());
    colour = QColor(0, 160, 0);
  } else if (kit_.Plugged()) {
    text = kit_.IsOpen() ? QStringLiteral("Attaching...") : QStringLiteral("Plugged in, not opened by the program");
  } else {
    text = QStringLiteral("Not attached");
  }
  Label_sim_attached->setText(text);
  QPalette palette = Label_sim_attached->palette();
  palette.setColor(QPalette::WindowText, colour);
  Label_sim_attached->setPalette(palette);
  Command_attach->setEnabled(!kit_.Plugged());
  Command_detach->setEnabled(kit_.Plugged());
  Picture_sim_LED->set_Lit(kit_.Output(0));
}
