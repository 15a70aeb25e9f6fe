#include "presentation/speaker_card.h"

#include "presentation/named_controls.h"

#include "platform/error_report.h"
#include "platform/twips.h"
#include "presentation/page_surface.h"
#include "presentation/results_form.h"
#include "presentation/window_capture.h"

#include <QAction>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QVBoxLayout>

namespace {

const QString form_location = QStringLiteral(" of Form Form_Doravent_SpeakerCard");
constexpr double Card_Left_Twips = 300;
constexpr double Card_Top_Twips = 1200;

QLabel* card_label(QWidget* parent, const QString& name, int points, bool bold) {
  QLabel* label = Named(new QLabel(parent), name);
  QFont font(QStringLiteral("Times New Roman"));
  font.setPointSize(points);
  font.setBold(bold);
  label->setFont(font);
  return label;
}

} // namespace

Form_Doravent_SpeakerCard::Form_Doravent_SpeakerCard(QWidget* owner) : QMainWindow(owner) {
  setObjectName(QStringLiteral("Form_Doravent_SpeakerCard"));
  setWindowTitle(QStringLiteral("Doravent SpeakerCard"));
  setWindowFlag(Qt::Window, true);
  build_controls();
}

Form_Doravent_SpeakerCard::~Form_Doravent_SpeakerCard() = default;

void Form_Doravent_SpeakerCard::build_controls() {
  auto* central = Named(new QWidget(this), QStringLiteral("Form_Doravent_SpeakerCard_client"));
  central->setAutoFillBackground(true);
  QPalette paper = central->palette();
  paper.setColor(QPalette::Window, Qt::white);
  paper.setColor(QPalette::WindowText, Qt::black);
  central->setPalette(paper);
  setCentralWidget(central);
  auto* layout = new QVBoxLayout(central);

  Label_event = card_label(central, QStringLiteral("Label_event"), 24, true);
  layout->addWidget(Label_event);
  auto* heat = new QGridLayout;
  Label_heat_num = card_label(central, QStringLiteral("Label_heat_num"), 20, true);
  Label_heat_name = card_label(central, QStringLiteral("Label_heat_name"), 20, true);
  Label_start = card_label(central, QStringLiteral("Label_start"), 16, false);
  Label_length = card_label(central, QStringLiteral("Label_length"), 16, false);
  // Captions beside the values, so the announcer reads the heat lines at a glance.
  const auto caption = [central](const char* text, int points) {
    QLabel* label = card_label(central, QStringLiteral("Label_caption_") + QString::fromLatin1(text), points, false);
    label->setText(QString::fromLatin1(text));
    return label;
  };
  heat->addWidget(caption("Heat", 20), 0, 0);
  heat->addWidget(Label_heat_num, 0, 1);
  heat->addWidget(Label_heat_name, 0, 2);
  heat->addWidget(caption("Start", 16), 1, 0);
  heat->addWidget(Label_start, 1, 1, 1, 2);
  heat->addWidget(caption("Length", 16), 2, 0);
  heat->addWidget(Label_length, 2, 1, 1, 2);
  heat->setColumnStretch(2, 1);
  layout->addLayout(heat);

  Frame_dogs = Named(new QGroupBox(central), QStringLiteral("Frame_dogs"));
  auto* dogs = new QGridLayout(Frame_dogs);
  for (int i = 0; i < 6; ++i) {
    QLabel* picture = Named(new QLabel(Frame_dogs), QStringLiteral("Picture_box_%1").arg(i));
    picture->setFixedSize(64, 64);
    QFont times(QStringLiteral("Times New Roman"));
    times.setPointSize(48);
    picture->setFont(times);
    Picture_box.at(static_cast<size_t>(i)) = picture;
    Paint_box(picture, static_cast<int16_t>(i + 1));
    QLabel* name = card_label(Frame_dogs, QStringLiteral("Label_dog_name_%1").arg(i), 28, true);
    name->setMinimumWidth(420);
    Label_dog_name.at(static_cast<size_t>(i)) = name;
    dogs->addWidget(picture, i, 0);
    dogs->addWidget(name, i, 1);
  }
  dogs->setColumnStretch(1, 1);
  layout->addWidget(Frame_dogs);

  Picture1 = Named(new QLabel(central), QStringLiteral("Picture1"));
  Picture1->hide();

  QMenu* form = menuBar()->addMenu(QStringLiteral("Form"));
  form->setObjectName(QStringLiteral("menu_form"));
  QAction* print = form->addAction(QStringLiteral("Print"));
  print->setObjectName(QStringLiteral("item_print"));
  items_.push_back(print);
  connect(print, &QAction::triggered, this, [this] { item_print_Click(); });
}

QAction* Form_Doravent_SpeakerCard::item(const QString& name) const {
  for (QAction* a : items_)
    if (a->objectName() == name) return a;
  return nullptr;
}

void Form_Doravent_SpeakerCard::report(int32_t step, const QString& handler) {
  report_current_exception(step, handler + form_location);
}

void Form_Doravent_SpeakerCard::Show_Card(const Speaker_Card_Data& card) {
  int32_t step = 10;
  try {
    Label_event->setText(card.event_name);
    Label_heat_num->setText(card.heat_number);
    Label_heat_name->setText(card.heat_name);
    Label_start->setText(card.start_time);
    Label_length->setText(card.length);
    step = 20;
    for (std::size_t i = 0; i < Label_dog_name.size(); ++i)
      Label_dog_name.at(i)->setText(card.dog_names.at(i));
    step = 30;
    show();
    raise();
  } catch (...) {
    report(step, QStringLiteral("Form_Load"));
  }
}

void Form_Doravent_SpeakerCard::Print_Me(Page_Surface& page) {
  const QImage card = Capture_Form_Picture(this);
  if (card.isNull()) throw Dora_Error(482, QStringLiteral("Printer error: the card has no picture to print"));
  Picture1->setPixmap(QPixmap::fromImage(card));
  page.PaintPicture(card, Card_Left_Twips, Card_Top_Twips, 0, 0, Twips_Per_Pixel());
  page.EndDoc();
}

void Form_Doravent_SpeakerCard::item_print_Click() {
  try {
    Print_Form_Window(*this, QStringLiteral("Printing spkr card on"), print_waits_,
                      [this](Page_Surface& page) { Print_Me(page); });
  } catch (...) {
    report(10, QStringLiteral("item_print_Click"));
  }
}
