#include "presentation/results_form.h"

#include "platform/error_report.h"
#include "platform/program_info.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "platform/trace.h"
#include "platform/twips.h"
#include "presentation/named_controls.h"
#include "recording/video_file_handler.h"
#include "timing/interpolated_time.h"
#include "timing/result_change.h"
#include "timing/review_session.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QVBoxLayout>

namespace {

const QString Window_Name = QStringLiteral("Form_Dora_Results");
const QString Input_Title = QStringLiteral("Doravent results");
const QString Empty_Time = QStringLiteral("00,00");

// The ring drawn beside a rank that shares the rank above it.
class Dead_Heat_Circle final : public QWidget {
public:
  explicit Dead_Heat_Circle(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_TransparentForMouseEvents); }

protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::red, 2));
    p.drawEllipse(QRectF(rect()).adjusted(2, 2, -2, -2));
  }
};

QLabel* make_label(QWidget* parent, const QString& name, const QString& caption = {}) {
  return Named_Label(parent, name, caption);
}

QFont arial(int points, bool bold) {
  QFont font(QStringLiteral("Arial"));
  font.setPointSize(points);
  font.setBold(bold);
  return font;
}

struct Box_Colours {
  QColor background;
  QColor digit;
};

Box_Colours colours_of(int16_t box) {
  switch (box) {
  case 1: return {QColor(181, 0, 0), Qt::white};
  case 2: return {QColor(64, 116, 202), Qt::white};
  case 3: return {Qt::white, Qt::black};
  case 4: return {Qt::black, Qt::white};
  case 5: return {QColor(231, 177, 27), Qt::black};
  case 6: return {Qt::white, QColor(255, 0, 0)};
  default: return {Qt::white, Qt::black}; // boxes 7 and 8 have no colour of their own
  }
}

} // namespace

QImage Box_Picture(QSize size, int16_t box) {
  QImage picture(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  const Box_Colours colours = colours_of(box);
  picture.fill(colours.background);
  QPainter p(&picture);
  const int w = picture.width();
  const int h = picture.height();
  if (box == 6) {
    const QColor band = QApplication::palette().color(QPalette::Dark);
    p.fillRect(QRect(0, h / 4, w, h / 2 - h / 4), band);
    p.fillRect(QRect(0, h * 3 / 4, w, h - h * 3 / 4), band);
  }
  QFont font = arial(64, true);
  // Lowered until the digit's line height, with a tenth to spare, fits the picture.
  while (font.pointSize() > 1 && 0.9 * QFontMetricsF(font, &picture).height() >= h)
    font.setPointSize(font.pointSize() - 1);
  p.setFont(font);
  p.setPen(colours.digit);
  p.drawText(QRect(0, 0, w, h), Qt::AlignLeft | Qt::AlignTop, QString::number(box));
  return picture;
}

void Paint_box(QLabel* picture, int16_t box) {
  try {
    if (!picture) return;
    picture->setPixmap(QPixmap::fromImage(Box_Picture(picture->contentsRect().size(), box)));
  } catch (...) {
    report_current_exception(10, QStringLiteral("Paint_box of Form ") + Window_Name);
  }
}

int Shrunk_Font_Size(const QString& text, const QFont& font, int width_px, int start_size) {
  QFont trial = font;
  int size = start_size;
  while (size > 7) {
    trial.setPointSize(size);
    if (QFontMetricsF(trial).horizontalAdvance(text) < 0.9 * width_px) return size;
    size -= 2;
  }
  return size;
}

int Fitting_Name_Size(const QString& name, QSize inner, bool bold) {
  for (int size = 110; size >= 8; size -= 2) {
    const QFontMetricsF metrics(arial(size, bold));
    if (metrics.horizontalAdvance(name) < inner.width() && metrics.height() < inner.height()) return size;
  }
  return 8;
}

Form_Dora_Results::Form_Dora_Results(QWidget* owner) : QMainWindow(owner, Qt::Window) {
  setObjectName(Window_Name);
  setWindowTitle(QStringLiteral("Doravent Results"));
  build_controls();
  build_menus();
  Clear_Results_Display();
}

Form_Dora_Results::~Form_Dora_Results() = default;

void Form_Dora_Results::build_controls() {
  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("Form_Dora_Results_client"));
  setCentralWidget(central);
  auto* outer = new QVBoxLayout(central);

  Label_Doravent =
      make_label(central, QStringLiteral("Label_Doravent"), QStringLiteral("Doravent dog race timing system"));
  Label_Doravent->setFont(arial(12, true));
  outer->addWidget(Label_Doravent);

  Frame_event = new QGroupBox(QStringLiteral("Event"), central);
  Frame_event->setObjectName(QStringLiteral("Frame_event"));
  auto* event = new QHBoxLayout(Frame_event);
  Label_event_name = make_label(Frame_event, QStringLiteral("Label_event_name"));
  Label_event_name->setFixedSize(480, 36);
  event->addWidget(Label_event_name);
  outer->addWidget(Frame_event);

  Frame_heat = new QGroupBox(QStringLiteral("Heat"), central);
  Frame_heat->setObjectName(QStringLiteral("Frame_heat"));
  auto* heat = new QHBoxLayout(Frame_heat);
  Label_Heat_ID = make_label(Frame_heat, QStringLiteral("Label_Heat_ID"));
  Label_Heat_ID->setFont(arial(16, true));
  Label_Heat_ID->setFixedSize(60, 32);
  Label_Heat_name = make_label(Frame_heat, QStringLiteral("Label_Heat_name"));
  Label_Heat_name->setFixedSize(410, 32);
  heat->addWidget(Label_Heat_ID);
  heat->addWidget(Label_Heat_name);
  outer->addWidget(Frame_heat);

  Label_heat_started = make_label(central, QStringLiteral("Label_heat_started"), QStringLiteral("Started at"));
  Label_box_delay = make_label(central, QStringLiteral("Label_box_delay"));
  outer->addWidget(Label_heat_started);
  outer->addWidget(Label_box_delay);

  Label_result_state = make_label(central, QStringLiteral("Label_result_state"));
  Label_result_state->setFont(arial(16, true));
  outer->addWidget(Label_result_state);
  Label_audit = make_label(central, QStringLiteral("Label_audit"));
  Label_audit->setWordWrap(true);
  Label_audit->hide();
  outer->addWidget(Label_audit);

  // One heading per column in the rows' grid: spaces in a proportional font never line up.
  auto* rows = new QGridLayout;
  const auto heading = [&](const QString& name, const QString& text, int column) {
    QLabel* label = make_label(central, name, text);
    label->setFont(arial(10, true));
    rows->addWidget(label, 0, column);
    return label;
  };
  Label_header = heading(QStringLiteral("Label_header"), QStringLiteral("Rank"), 0);
  Label_header->setAlignment(Qt::AlignCenter);
  Label_header_dog = heading(QStringLiteral("Label_header_dog"), QStringLiteral("Dog"), 1);
  Label_header_name = heading(QStringLiteral("Label_header_name"), QStringLiteral("Name"), 2);
  Label_header_time = heading(QStringLiteral("Label_header_time"), QStringLiteral("Time"), 3);
  Label_header_split = heading(QStringLiteral("Label_header_split"), QStringLiteral("Split"), 4);
  Label_header_distance = heading(QStringLiteral("Label_header_distance"), QStringLiteral("Distance"), 5);
  for (int i = 0; i < Result_Rows; ++i) {
    const auto at = static_cast<std::size_t>(i);
    const QString n = QString::number(i);
    Label_rank.at(at) = make_label(central, QStringLiteral("Label_rank_") + n);
    Label_rank.at(at)->setFixedSize(44, 34);
    Label_rank.at(at)->setFont(arial(14, true));
    Label_rank.at(at)->setAlignment(Qt::AlignCenter);
    Shape_dead_circle.at(at) = new Dead_Heat_Circle(central);
    Shape_dead_circle.at(at)->setObjectName(QStringLiteral("Shape_dead_circle_") + n);
    Shape_dead_circle.at(at)->setFixedSize(44, 34);
    Picture_box.at(at) = make_label(central, QStringLiteral("Picture_box_") + n);
    Picture_box.at(at)->setFixedSize(34, 34);
    Label_name.at(at) = make_label(central, QStringLiteral("Label_name_") + n);
    Label_name.at(at)->setFixedSize(240, 34);
    Label_time.at(at) = make_label(central, QStringLiteral("Label_time_") + n);
    Label_time.at(at)->setFixedSize(100, 34);
    Label_time.at(at)->setFont(arial(14, true));
    Label_Split.at(at) = make_label(central, QStringLiteral("Label_Split_") + n);
    Label_Split.at(at)->setFixedSize(90, 34);
    Label_Split.at(at)->setFont(arial(12, false));
    rows->addWidget(Label_rank.at(at), i + 1, 0);
    rows->addWidget(Shape_dead_circle.at(at), i + 1, 0); // over the rank it marks
    rows->addWidget(Picture_box.at(at), i + 1, 1);
    rows->addWidget(Label_name.at(at), i + 1, 2);
    rows->addWidget(Label_time.at(at), i + 1, 3);
    rows->addWidget(Label_Split.at(at), i + 1, 4);
    Label_distance.at(at) = make_label(central, QStringLiteral("Label_distance_") + n);
    Label_distance.at(at)->setFixedSize(80, 34);
    Label_distance.at(at)->setFont(arial(12, true));
    rows->addWidget(Label_distance.at(at), i + 1, 5);
    Shape_dead_circle.at(at)->hide();
  }
  outer->addLayout(rows);

  Label_printed = make_label(central, QStringLiteral("Label_printed"));
  outer->addWidget(Label_printed);
  Picture1 = make_label(central, QStringLiteral("Picture1"));
  Picture1->hide();

  for (QObject* o : std::initializer_list<QObject*>{
           Label_Doravent, Frame_event, Label_event_name, Frame_heat, Label_Heat_ID, Label_Heat_name,
           Label_heat_started, Label_box_delay, Label_header, Label_header_dog, Label_header_name, Label_header_time,
           Label_header_split, Label_header_distance, Label_result_state, Label_printed})
    o->installEventFilter(this);
  for (int i = 0; i < Result_Rows; ++i) {
    const auto at = static_cast<std::size_t>(i);
    for (QLabel* l : {Label_rank.at(at), Picture_box.at(at), Label_name.at(at), Label_time.at(at), Label_Split.at(at),
                      Label_distance.at(at)})
      l->installEventFilter(this);
  }
  Paint_Boxes();
}

void Form_Dora_Results::build_menus() {
  const auto add = [this](QMenu* m, const char* name, const QString& caption) {
    QAction* a = m->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    items_.push_back(a);
    return a;
  };
  QMenu* form = menuBar()->addMenu(QStringLiteral("Form"));
  form->setObjectName(QStringLiteral("menu_form"));
  connect(add(form, "item_print", QStringLiteral("Print")), &QAction::triggered, this, [this] { Print_Click(); });
  connect(add(form, "item_hide", QStringLiteral("Hide")), &QAction::triggered, this, [this] { Hide_Click(); });
  connect(add(form, "item_clear_all_results", QStringLiteral("Clear all results")), &QAction::triggered, this,
          [this] { Clear_all_results_Click(); });
  connect(add(form, "item_export_clipboard", QStringLiteral("Export results to Clipboard")), &QAction::triggered, this,
          [this] { Export_to_Clipboard(); });
  QMenu* debug = menuBar()->addMenu(QStringLiteral("Debug"));
  debug->setObjectName(QStringLiteral("menu_debug"));
  connect(add(debug, "item_paint_boxes", QStringLiteral("Paint boxes")), &QAction::triggered, this,
          [this] { Paint_Boxes(); });
  debug->menuAction()->setVisible(false);
  build_result_menu();
}

QAction* Form_Dora_Results::item(const QString& name) const {
  for (QAction* a : items_)
    if (a->objectName() == name) return a;
  return nullptr;
}

void Form_Dora_Results::Paint_Boxes() {
  // Each picture shows its row's box; an empty display shows the boxes in order.
  for (int i = 0; i < Result_Rows; ++i) {
    const int16_t box = shown_.at(static_cast<std::size_t>(i)).Box;
    Paint_box(Picture_box.at(static_cast<std::size_t>(i)), box > 0 ? box : static_cast<int16_t>(i + 1));
  }
}

void Form_Dora_Results::report(int32_t step, const QString& handler) {
  report_current_exception(step, handler + QStringLiteral(" of Form ") + Window_Name);
}

void Form_Dora_Results::Form_Load() {
  int32_t step = 10;
  try {
    int16_t left = static_cast<int16_t>(std::clamp(Pixels_To_Twips(x()), 0, int32_t{INT16_MAX}));
    int16_t top = static_cast<int16_t>(std::clamp(Pixels_To_Twips(y()), 0, int32_t{INT16_MAX}));
    int16_t width = 0;
    int16_t height = 0;
    Get_Form_Pos(Window_Name, left, top, width, height);
    step = 20;
    move(Twips_To_Pixels(left), Twips_To_Pixels(top));
    Clear_Results_Display();
  } catch (...) {
    report(step, QStringLiteral("Form_Load"));
  }
}

void Form_Dora_Results::Store_Position() {
  Store_Form_Pos(Window_Name, Pixels_To_Twips(x()), Pixels_To_Twips(y()), 0, 0);
}

void Form_Dora_Results::closeEvent(QCloseEvent* event) {
  try {
    Store_Position();
  } catch (...) {
    report(10, QStringLiteral("Form_Unload"));
  }
  QMainWindow::closeEvent(event);
}

void Form_Dora_Results::Clear_Results_Display() {
  shown_ = Result_Array{};
  Label_event_name->clear();
  Label_Heat_ID->clear();
  Label_Heat_name->clear();
  Label_Heat_name->setToolTip({});
  for (std::size_t i = 0; i < shown_.size(); ++i) {
    Label_rank.at(i)->clear();
    Label_name.at(i)->clear();
    Label_name.at(i)->setToolTip({});
    Label_time.at(i)->setText(Empty_Time);
    Mark_Interpolated(i, 0);
    Label_Split.at(i)->setText(Empty_Time);
    Label_distance.at(i)->clear();
    Shape_dead_circle.at(i)->hide();
  }
  Show_State(std::nullopt);
  Show_Audit({}, true);
  Paint_Boxes();
}

void Form_Dora_Results::Display_Results(const Results_Heading& heading, const Result_Array& sorted,
                                        int32_t box_delay_ms, const Distance_Rules& rules) {
  QFont event_font = arial(18, true);
  event_font.setPointSize(Shrunk_Font_Size(heading.event, event_font, Label_event_name->width(), 18));
  Label_event_name->setFont(event_font);
  Label_event_name->setText(heading.event);
  Label_Heat_ID->setText(heading.heat_id);
  QFont heat_font = arial(16, true);
  heat_font.setPointSize(Shrunk_Font_Size(heading.heat_name, heat_font, Label_Heat_name->width(), 16));
  Label_Heat_name->setFont(heat_font);
  Label_Heat_name->setText(heading.heat_name);
  Label_Heat_name->setToolTip(heading.heat_name);
  // A recovered start is no contact's: every time counts from a hand time.
  Label_heat_started->setText(QStringLiteral("Started at: ") + heading.started +
                              (heading.start_recovered ? QStringLiteral(" (start recovered)") : QString()));

  Show_State(heading.state);
  Show_Audit(heading.audit_text, heading.audit_sound);

  shown_ = sorted;
  const auto texts = Result_Row_Texts(sorted, box_delay_ms);
  const auto distances = Beaten_Distances(sorted, rules);
  for (std::size_t r = 0; r < sorted.size(); ++r) {
    Label_rank.at(r)->setText(texts.at(r).rank);
    Shape_dead_circle.at(r)->setVisible(texts.at(r).dead_heat_circle);
    Paint_box(Picture_box.at(r), sorted.at(r).Box);
    QLabel* name = Label_name.at(r);
    const int fitting = [&] {
      try {
        return Fitting_Name_Size(sorted.at(r).Dog_Name, name->contentsRect().size(), true);
      } catch (...) {
        const Error_Info info = describe_exception(std::current_exception());
        Msg_Box(QStringLiteral("Max_Font error! ") + QString::number(info.number) + QLatin1Char(' ') +
                info.description);
        return 8;
      }
    }();
    name->setFont(arial(fitting < 14 ? fitting : 14, true));
    name->setText(sorted.at(r).Dog_Name);
    name->setToolTip(sorted.at(r).Dog_Name);
    Label_Split.at(r)->setText(texts.at(r).split);
    Label_time.at(r)->setText(texts.at(r).time);
    Label_distance.at(r)->setText(distances.at(r));
    Mark_Interpolated(r, sorted.at(r).Box);
  }
  const QString delay = Box_Delay_Text(box_delay_ms);
  Label_box_delay->setVisible(!delay.isEmpty());
  Label_box_delay->setText(delay);
}

void Form_Dora_Results::Mark_Interpolated(std::size_t row, int16_t box) {
  // A time taken between two fields is shown in italics, the note telling how; one taken from an
  // unsure proposal is dark orange besides, until a box press replaces it.
  const cls_VideoFile_handler* recording = session_ && session_->Is_Open() ? &session_->Recording() : nullptr;
  const QString note = recording && box >= 1 ? Interpolated_Note(recording->XML_Header(), box) : QString();
  const bool unsure = recording && box >= 1 && !Unsure_Note(recording->XML_Header(), box).isEmpty();
  QLabel* time = Label_time.at(row);
  QFont font = time->font();
  font.setItalic(!note.isEmpty());
  time->setFont(font);
  time->setToolTip(note);
  time->setProperty("unsure", unsure);
  QPalette palette = time->palette();
  const QWidget* parent = time->parentWidget();
  palette.setColor(QPalette::WindowText,
                   unsure ? QColor(190, 80, 0) : (parent ? parent->palette() : palette).color(QPalette::WindowText));
  time->setPalette(palette);
}

void Form_Dora_Results::focus_slider() {
  if (hooks_.focus_slider) hooks_.focus_slider();
}

int Form_Dora_Results::row_of(QObject* watched, const std::array<QLabel*, Result_Rows>& labels) const {
  for (std::size_t i = 0; i < labels.size(); ++i)
    if (labels.at(i) == watched) return static_cast<int>(i);
  return -1;
}

bool Form_Dora_Results::eventFilter(QObject* watched, QEvent* event) {
  const bool press = event->type() == QEvent::MouseButtonPress;
  const bool release = event->type() == QEvent::MouseButtonRelease;
  if (!press && !release) return QMainWindow::eventFilter(watched, event);
  const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
  int32_t step = 10;
  QString handler = watched->objectName() + (press ? QStringLiteral("_MouseDown") : QStringLiteral("_MouseUp"));
  try {
    if (const int row = row_of(watched, Label_rank); row >= 0) {
      handler = QStringLiteral("Label_rank_Click");
      if (release && button == Qt::LeftButton) {
        step = 20;
        if (hooks_.set_print_dog_name) hooks_.set_print_dog_name(shown_.at(static_cast<std::size_t>(row)).Dog_Name);
        if (hooks_.goto_rank) hooks_.goto_rank(static_cast<int16_t>(row + 1));
        focus_slider();
      }
      return true;
    }
    if (const int row = row_of(watched, Label_name); row >= 0) {
      if (press && button == Qt::RightButton) {
        step = 30;
        Change_Dog_Name(row);
      } else if (release && button == Qt::LeftButton) {
        step = 40;
        if (hooks_.goto_rank) hooks_.goto_rank(static_cast<int16_t>(row + 1));
        focus_slider();
      }
      return true;
    }
    if (const int row = row_of(watched, Label_Split); row >= 0) {
      if (release) {
        step = 50;
        if (hooks_.goto_split_time) hooks_.goto_split_time(static_cast<int16_t>(row + 1));
        focus_slider();
      }
      return true;
    }
    if (const int row = row_of(watched, Picture_box); row >= 0) {
      if (release) {
        step = 60;
        if (hooks_.goto_box) hooks_.goto_box(static_cast<int16_t>(row + 1));
        focus_slider();
      }
      return true;
    }
    if (watched == Label_event_name || watched == Label_Heat_name) {
      if (press && button != Qt::LeftButton) {
        step = 70;
        if (watched == Label_event_name)
          Change_Event_Name();
        else
          Change_Heat_Name();
      } else if (release) {
        focus_slider();
      }
      return true;
    }
    if (release) {
      focus_slider();
      return true;
    }
  } catch (...) {
    report(step, handler);
  }
  return QMainWindow::eventFilter(watched, event);
}

void Form_Dora_Results::mouseReleaseEvent(QMouseEvent* event) {
  focus_slider();
  QMainWindow::mouseReleaseEvent(event);
}

cls_VideoFile_handler* Form_Dora_Results::Changeable_Recording() {
  cls_VideoFile_handler* recording = session_ ? &session_->Recording() : nullptr;
  if (!recording || !recording->File_open()) {
    Beep();
    Trace_Message(QStringLiteral("*Results: no recording open to change"));
    return nullptr;
  }
  if (recording->Read_only()) {
    Msg_Box(QStringLiteral("File is Read Only!\nThis file can't be changed"));
    return nullptr;
  }
  return recording;
}

void Form_Dora_Results::Change_Dog_Name(int row) {
  int32_t step = 10;
  try {
    cls_VideoFile_handler* recording = Changeable_Recording();
    if (!recording) return;
    step = 20;
    const int16_t box = shown_.at(static_cast<std::size_t>(row)).Box;
    if (box < 1) return; // nothing ranked in this row yet
    const auto answer = prompts().input(QStringLiteral("Change dog name"), Input_Title,
                                        Label_name.at(static_cast<std::size_t>(row))->text());
    if (!answer || answer->isEmpty()) return;
    step = 30;
    // A name the file refuses is taken back: window and clipboard show what the file holds.
    session_->Change_Result(
        QStringLiteral("Change dog name"), [&] { recording->set_Dora_Dog_name(box, *answer); }, Result_Change::Names);
  } catch (...) {
    report(step, QStringLiteral("Label_name_MouseDown"));
  }
}

void Form_Dora_Results::Change_Event_Name() {
  int32_t step = 10;
  try {
    cls_VideoFile_handler* recording = Changeable_Recording();
    if (!recording) return;
    step = 20;
    const auto answer = prompts().input(QStringLiteral("Change Event name"), Input_Title, Label_event_name->text());
    // A cancelled box gives an empty name, which is stored like any other answer.
    step = 40;
    session_->Change_Result(
        QStringLiteral("Change Event name"), [&] { recording->set_Dora_event(answer.value_or(QString())); },
        Result_Change::Names);
  } catch (...) {
    report(step, QStringLiteral("Label_event_name_MouseDown"));
  }
}

void Form_Dora_Results::Change_Heat_Name() {
  int32_t step = 10;
  try {
    cls_VideoFile_handler* recording = Changeable_Recording();
    if (!recording) return;
    step = 20;
    const auto answer = prompts().input(QStringLiteral("Change heat name"), Input_Title, Label_Heat_name->text());
    step = 40;
    session_->Change_Result(
        QStringLiteral("Change heat name"), [&] { recording->set_Dora_Heat_Name(answer.value_or(QString())); },
        Result_Change::Names);
  } catch (...) {
    report(step, QStringLiteral("Label_Heat_name_MouseDown"));
  }
}

void Form_Dora_Results::Clear_all_results_Click() {
  int32_t step = 10;
  try {
    const Prompt_Answer answer =
        Msg_Box(QStringLiteral("Clearing all results, are you sure?"), QStringLiteral("Doravent clearing results"),
                Prompt_Buttons::OkCancel, Prompt_Icon::Question, Prompt_Answer::Cancel);
    if (answer != Prompt_Answer::Ok) return;
    step = 20;
    if (!session_) {
      Beep();
      return;
    }
    session_->Change_Result(QStringLiteral("Clear result"), [this] { Clear_Box_Results(session_->Recording()); });
    focus_slider();
  } catch (...) {
    report(step, QStringLiteral("item_clear_all_results_Click"));
  }
}

QString Form_Dora_Results::Export_Text() const {
  const QString line_end = QStringLiteral("\r\n");
  QString text = QStringLiteral("Heat") + Label_Heat_ID->text() + line_end;
  for (std::size_t r = 0; r < Label_name.size(); ++r) {
    const QString name = Label_name.at(r)->text();
    if (name.isEmpty()) continue;
    text += Label_rank.at(r)->text() + QLatin1Char('\t') + name + QLatin1Char('\t') + Label_time.at(r)->text();
    const QString split = Label_Split.at(r)->text();
    const bool has_split = !split.isEmpty() && split != Empty_Time;
    if (has_split) text += QLatin1Char('\t') + split;
    // The distance comes last, after the split's field, which stays empty without a split: a
    // reader taking the fourth field as the split never takes a distance for one.
    const QString distance = Label_distance.at(r)->text();
    if (!distance.isEmpty()) text += (has_split ? QString() : QStringLiteral("\t")) + QLatin1Char('\t') + distance;
    text += line_end;
  }
  return text;
}

void Form_Dora_Results::Export_to_Clipboard() {
  int32_t step = 10;
  try {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    step = 20;
    const QString text = Export_Text();
    step = 30;
    clipboard->setText(text);
    step = 40;
    Msg_Box(clipboard->text(), QStringLiteral("Doravent results export"));
  } catch (...) {
    report(step, QStringLiteral("Export_to_Clipboard"));
  }
}
