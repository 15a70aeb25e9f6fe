#include "presentation/form_select_video.h"

#include "capture/capture_component.h"
#include "platform/clock.h"
#include "platform/error_report.h"
#include "platform/number_text.h"
#include "platform/program_info.h"
#include "platform/prompts.h"
#include "platform/settings.h"
#include "platform/trace.h"
#include "platform/twips.h"
#include "presentation/named_controls.h"
#include "presentation/window_capture.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <limits>

namespace {

const QString Window_Name = QStringLiteral("Form_select_Video");
const QString Capture_Settings = QStringLiteral("capturesettings");
const QString No_Choice = QStringLiteral("No video source selected!");

struct Column {
  const char* key;
  const char* caption;
  int32_t width_twips;
};
constexpr Column Columns[] = {{"srcnum", "Sn", 400},
                              {"source", "Video Source", 3500},
                              {"propnum", "Pn", 400},
                              {"prop", "Properties", 2000},
                              {"pixfmt", "Pixel format", 1200}};
enum Column_Index { Col_Source_Number, Col_Friendly, Col_Property_Number, Col_Property, Col_Pixel_Format };

QLabel* make_label(QWidget* parent, const char* name) {
  QLabel* label = Named_Label(parent, QLatin1String(name));
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->setMinimumWidth(60);
  return label;
}

QPushButton* make_button(QWidget* parent, const char* name, const QString& caption) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QLatin1String(name));
  return button;
}

QString saved(const QString& key, const QString& default_value) {
  return Read_Ini_Value(Capture_Settings, key, program().Settings_File_Path, default_value);
}

// The description of format p of the selected device, with the device's names read again as
// the component answers them for that format.
Video_Source_Row Get_Prop(Capture_Component& component, int32_t source_number, int32_t p) {
  Video_Source_Row row;
  row.source_number = source_number;
  row.friendly_name = component.Get_Value(QStringLiteral("sourceFriendlyName"));
  component.Get_Value(QStringLiteral("sourceDescription"));
  row.property_number = p;
  const std::optional<Video_Format> format = component.Format_At(p);
  row.property = Process_AMT(format);
  if (format) row.pixel_format = Pixel_Format_Name(format->pixel_format);
  return row;
}

} // namespace

Form_select_Video::Form_select_Video(Capture_Component_Factory factory, QWidget* parent)
    : QMainWindow(parent), factory_(std::move(factory)) {
  setObjectName(Window_Name);
  setWindowTitle(QStringLiteral("Select HDMI Video Source"));
  build_controls();
  build_menus();
  Show_Saved_Choice();
}

Form_select_Video::~Form_select_Video() = default;

void Form_select_Video::build_controls() {
  auto* central = new QWidget(this);
  setCentralWidget(central);

  ListView_prop = new QTreeWidget(central);
  ListView_prop->setObjectName(QStringLiteral("ListView_prop"));
  ListView_prop->setRootIsDecorated(false);
  ListView_prop->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListView_prop->setSelectionMode(QAbstractItemView::SingleSelection);
  ListView_prop->setAllColumnsShowFocus(true);
  ListView_prop->setColumnCount(static_cast<int>(std::size(Columns)));
  auto* header = new QTreeWidgetItem;
  int32_t list_width = 0;
  for (int i = 0; i < static_cast<int>(std::size(Columns)); ++i) {
    const Column& c = Columns[i];
    header->setText(i, QString::fromLatin1(c.caption));
    header->setData(i, Qt::UserRole, QString::fromLatin1(c.key));
    list_width += Twips_To_Pixels(c.width_twips);
  }
  ListView_prop->setHeaderItem(header);
  for (int i = 0; i < static_cast<int>(std::size(Columns)); ++i)
    ListView_prop->setColumnWidth(i, Twips_To_Pixels(Columns[i].width_twips));
  ListView_prop->setMinimumSize(list_width + 24, 260);

  Label_selected_friendly = make_label(central, "Label_selected_friendly");
  Label_video_source = make_label(central, "Label_video_source");
  Label_property_num = make_label(central, "Label_property_num");
  Label_property_string = make_label(central, "Label_property_string");
  auto* choice = new QGridLayout;
  Add_Caption_Rows(choice, central,
                   {{QStringLiteral("Video source:"), Label_selected_friendly},
                    {QStringLiteral("Source number:"), Label_video_source},
                    {QStringLiteral("Property number:"), Label_property_num},
                    {QStringLiteral("Properties:"), Label_property_string}});
  choice->setColumnStretch(1, 1);

  Check_25_fps = new QCheckBox(QStringLiteral("Limit capture to 25 fps"), central);
  Check_25_fps->setObjectName(QStringLiteral("Check_25_fps"));

  Command_enum2 = make_button(central, "Command_enum2", QStringLiteral("Enumerate Video sources"));
  Command_select_done = make_button(central, "Command_select_done", QStringLiteral("Select Done"));
  Command_Cancel = make_button(central, "Command_Cancel", QStringLiteral("Cancel"));
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Command_enum2);
  buttons->addStretch(1);
  buttons->addWidget(Command_select_done);
  buttons->addWidget(Command_Cancel);

  auto* layout = new QVBoxLayout(central);
  layout->addWidget(ListView_prop, 1);
  layout->addLayout(choice);
  layout->addWidget(Check_25_fps);
  layout->addLayout(buttons);

  connect(Command_enum2, &QPushButton::clicked, this, [this] { Command_enum2_Click(); });
  connect(Command_select_done, &QPushButton::clicked, this, [this] { Command_select_done_Click(); });
  connect(Command_Cancel, &QPushButton::clicked, this, [this] { Command_Cancel_Click(); });
  connect(ListView_prop, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* row) { ListView_prop_ItemClick(row); });
  connect(ListView_prop, &QTreeWidget::itemActivated, this,
          [this](QTreeWidgetItem* row) { ListView_prop_ItemClick(row); });
}

void Form_select_Video::build_menus() {
  const auto add = [this](QMenu* m, const char* name, const QString& caption) {
    QAction* a = m->addAction(caption);
    a->setObjectName(QLatin1String(name));
    items_.push_back(a);
    return a;
  };
  // "Form" carries no items: clicking it is the command.
  QAction* form = menuBar()->addAction(QStringLiteral("Form"));
  form->setObjectName(QStringLiteral("menu_form"));
  items_.push_back(form);
  connect(form, &QAction::triggered, this, [this] { menu_form_Click(QGuiApplication::queryKeyboardModifiers()); });

  menu_debug_ = menuBar()->addMenu(QStringLiteral("Debug"));
  menu_debug_->setObjectName(QStringLiteral("menu_debug"));
  connect(add(menu_debug_, "item_get_intervals", QStringLiteral("Get Intervals")), &QAction::triggered, this,
          [this] { item_get_intervals_Click(); });
  connect(add(menu_debug_, "item_list_clipboard", QStringLiteral("List contents to ClipBoard")), &QAction::triggered,
          this, [this] { Iter2(); });
  connect(add(menu_debug_, "item_show_friendly", QStringLiteral("Show friendlyname & property")), &QAction::triggered,
          this, [this] { item_show_friendly_Click(); });
  connect(add(menu_debug_, "item_form_capture", QStringLiteral("Form capture to ClipBoard")), &QAction::triggered, this,
          [this] { item_form_capture_Click(); });
  menu_debug_->menuAction()->setVisible(false);
}

QAction* Form_select_Video::item(const QString& name) const {
  for (QAction* a : items_)
    if (a->objectName() == name) return a;
  return nullptr;
}

void Form_select_Video::report(int32_t step, const QString& handler) const {
  report_current_exception(step, handler + QStringLiteral(" of Form ") + Window_Name);
}

void Form_select_Video::Show_Saved_Choice() {
  // Until a row is chosen the labels show what the capture source will look for.
  try {
    const QString name = saved(QStringLiteral("friendlyname"), QStringLiteral("noname"));
    const QString property = saved(QStringLiteral("videoproperty"), QStringLiteral("-1"));
    if (name == QLatin1String("noname")) return; // nothing saved yet
    Label_selected_friendly->setText(name);
    if (property != QLatin1String("-1")) Label_property_num->setText(property);
  } catch (...) {
    report(10, QStringLiteral("Form_Load"));
  }
}

bool Form_select_Video::Limit_Capture_25() const { return Check_25_fps->isChecked(); }

void Form_select_Video::Command_enum2_Click() {
  Do_Enum();
  Do_Select();
}

void Form_select_Video::Add_Row(const Video_Source_Row& row) {
  auto* item = new QTreeWidgetItem(ListView_prop);
  item->setText(Col_Source_Number, QString::number(row.source_number));
  item->setText(Col_Friendly, row.friendly_name);
  item->setText(Col_Property_Number, QString::number(row.property_number));
  item->setText(Col_Property, row.property);
  item->setText(Col_Pixel_Format, row.pixel_format);
}

void Form_select_Video::Do_Enum() {
  int32_t step = 10;
  try {
    Trace_Message(QStringLiteral("*Do_Enum, begin"));
    std::unique_ptr<Capture_Component> component = factory_ ? factory_() : nullptr;
    ListView_prop->clear();
    if (!component) throw Dora_Error(429, QStringLiteral("The capture component could not be created"));
    for (int32_t n = 1; n <= Max_Sources; ++n) {
      step = 20;
      if (!component->Select_Source(QStringLiteral("video:") + QString::number(n))) break;
      component->Get_Value(QStringLiteral("sourceFriendlyName"));
      component->Get_Value(QStringLiteral("sourceDescription"));
      step = 30;
      const int64_t claimed =
          Whole_Number(component->Get_Value(QStringLiteral("numprops")), 0, std::numeric_limits<int32_t>::max());
      const auto count = static_cast<int32_t>(std::min<int64_t>(claimed, Max_Properties));
      if (claimed > count) Trace_Message(QStringLiteral("*Do_Enum, formats listed up to"), n, count, claimed);
      step = 40;
      QString previous;
      for (int32_t p = 0; p < count; ++p) {
        const Video_Source_Row row = Get_Prop(*component, n, p);
        // A run of identical modes is listed once, under its first format; modes that differ in
        // their pixel format alone are not alike (MJPEG may be the only way to a size and rate).
        const QString mode = row.property + QLatin1Char(' ') + row.pixel_format;
        if (p > 0 && mode == previous) continue;
        previous = mode;
        Add_Row(row);
      }
    }
    step = 50;
    component.reset();
    // Its names ("BGR24 bottom-up") are wider than the column's first width.
    ListView_prop->resizeColumnToContents(Col_Pixel_Format);
    // The window grows to show every column, within the screen.
    int32_t columns = 0;
    for (int32_t c = 0; c < ListView_prop->columnCount(); ++c)
      columns += ListView_prop->columnWidth(c);
    const int32_t missing = columns - ListView_prop->viewport()->width();
    if (missing > 0 && isVisible()) {
      const QScreen* on = screen();
      const int32_t most = on ? on->availableGeometry().width() : width() + missing;
      resize(std::min(width() + missing + 4, most), height());
    }
    Trace_Message(QStringLiteral("*Do_Enum, end, rows ="), ListView_prop->topLevelItemCount());
  } catch (...) {
    report(step, QStringLiteral("Do_Enum"));
  }
}

void Form_select_Video::Do_Select() {
  int32_t step = 10;
  try {
    const QString name = saved(QStringLiteral("friendlyname"), QStringLiteral("noname"));
    bool number_ok = false;
    const int32_t property = saved(QStringLiteral("videoproperty"), QStringLiteral("-1")).trimmed().toInt(&number_ok);
    step = 20;
    for (int i = 0; i < ListView_prop->topLevelItemCount(); ++i) {
      QTreeWidgetItem* row = ListView_prop->topLevelItem(i);
      if (!number_ok || row->text(Col_Friendly) != name || row->text(Col_Property_Number).toInt() != property) continue;
      ListView_prop->setCurrentItem(row);
      row->setSelected(true);
      row->setForeground(Col_Friendly, QColor(0, 0, 255));
      ListView_prop->scrollToItem(row);
    }
  } catch (...) {
    report(step, QStringLiteral("Do_Select"));
  }
}

void Form_select_Video::ListView_prop_ItemClick(QTreeWidgetItem* row) {
  int32_t step = 10;
  try {
    if (!row) return;
    Label_selected_friendly->setText(row->text(Col_Friendly));
    Label_video_source->setText(row->text(Col_Source_Number));
    Label_property_num->setText(row->text(Col_Property_Number));
    Label_property_string->setText(row->text(Col_Property));
    step = 20;
    const QString& file = program().Settings_File_Path;
    Write_Ini_Value(Capture_Settings, QStringLiteral("friendlyname"), row->text(Col_Friendly), file);
    Write_Ini_Value(Capture_Settings, QStringLiteral("videoproperty"), row->text(Col_Property_Number), file);
    selected_ = true;
    Trace_Message(QStringLiteral("*ListView_prop_ItemClick, chosen ="), row->text(Col_Friendly),
                  row->text(Col_Property_Number), row->text(Col_Property));
  } catch (...) {
    report(step, QStringLiteral("ListView_prop_ItemClick"));
  }
}

void Form_select_Video::Command_select_done_Click() {
  try {
    if (!selected_) {
      Msg_Box(No_Choice);
      return;
    }
    Save_Video_Format();
    m_was_Cancelled = false;
    hide();
  } catch (...) {
    report(10, QStringLiteral("Command_select_done_Click"));
  }
}

void Form_select_Video::Command_Cancel_Click() {
  m_was_Cancelled = true;
  hide();
}

void Form_select_Video::Save_Video_Format() {
  try {
    Write_Ini_Value(QStringLiteral("capture"), QStringLiteral("videoformat"), Label_video_source->text(),
                    program().Settings_File_Path);
  } catch (...) {
    report(10, QStringLiteral("Save_Video_Format"));
  }
}

void Form_select_Video::menu_form_Click(Qt::KeyboardModifiers held) {
  if (!(held & Qt::AltModifier)) return;
  QAction* debug = menu_debug_->menuAction();
  debug->setVisible(!debug->isVisible());
}

void Form_select_Video::item_get_intervals_Click() {
  int32_t step = 10;
  try {
    QTreeWidgetItem* row = ListView_prop->currentItem();
    if (!row) {
      Msg_Box(No_Choice);
      return;
    }
    step = 20;
    std::unique_ptr<Capture_Component> component = factory_ ? factory_() : nullptr;
    if (!component) throw Dora_Error(429, QStringLiteral("The capture component could not be created"));
    const QString source = QStringLiteral("video:") + row->text(Col_Source_Number);
    if (!component->Select_Source(source)) throw Dora_Error(53, component->Error_Text());
    step = 30;
    component->Set_Value(QStringLiteral("SetFormat"), row->text(Col_Property_Number));
    component->Set_Value(QStringLiteral("GetIntervals"), QStringLiteral("0"));
    const QString min = component->Get_Value(QStringLiteral("MinInterval"));
    const QString max = component->Get_Value(QStringLiteral("MaxInterval"));
    const QString refused = component->Error_Text();
    step = 40;
    QString text = row->text(Col_Friendly) + QStringLiteral(" (") + source + QStringLiteral(")\nMinInterval = ") + min +
                   QStringLiteral("\nMaxInterval = ") + max + QStringLiteral("\n(100 ns units)");
    // A device busy with the running camera may refuse the format: the limits are then its current ones.
    if (!refused.isEmpty()) text += QStringLiteral("\n") + refused;
    Msg_Box(text, QStringLiteral("Get Intervals"));
  } catch (...) {
    report(step, QStringLiteral("item_get_intervals_Click"));
  }
}

QString Form_select_Video::List_Text() const {
  const QString line_end = QStringLiteral("\r\n");
  const Program_Info& p = program();
  QString text = QStringLiteral("Video source enumeration at ") +
                 Local_Now().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) + line_end +
                 QStringLiteral("Program version ") + p.Program_Name + QLatin1Char(' ') + p.Program_Version +
                 QStringLiteral(" Computer name ") + p.Computer_Name + line_end;
  for (int i = 0; i < ListView_prop->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* row = ListView_prop->topLevelItem(i);
    QStringList cells;
    for (int c = 0; c < ListView_prop->columnCount(); ++c)
      cells << row->text(c);
    text += cells.join(QStringLiteral("  ")) + line_end;
  }
  return text;
}

void Form_select_Video::Iter2() {
  int32_t step = 10;
  try {
    const QString text = List_Text();
    step = 20;
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
  } catch (...) {
    report(step, QStringLiteral("Iter2"));
  }
}

void Form_select_Video::item_show_friendly_Click() {
  try {
    Msg_Box(QStringLiteral("friendlyname = ") + saved(QStringLiteral("friendlyname"), QStringLiteral("noname")) +
                QStringLiteral("\nvideoproperty = ") + saved(QStringLiteral("videoproperty"), QStringLiteral("-1")),
            QStringLiteral("Saved video source"));
  } catch (...) {
    report(10, QStringLiteral("item_show_friendly_Click"));
  }
}

void Form_select_Video::item_form_capture_Click() {
  try {
    Copy_Form_Picture(this);
  } catch (...) {
    report(10, QStringLiteral("item_form_capture_Click"));
  }
}

std::vector<Video_Source_Row> Form_select_Video::Rows() const {
  std::vector<Video_Source_Row> rows;
  for (int i = 0; i < ListView_prop->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* row = ListView_prop->topLevelItem(i);
    rows.push_back({row->text(Col_Source_Number).toInt(), row->text(Col_Friendly),
                    row->text(Col_Property_Number).toInt(), row->text(Col_Property), row->text(Col_Pixel_Format)});
  }
  return rows;
}
