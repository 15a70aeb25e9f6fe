#pragma once
// The source-selection window: every capture device and video format the capture component
// reports, one row per run of identical format descriptions. Choosing a row remembers it in the
// settings, from where the capture source takes it the next time it looks for its source.
#include <QMainWindow>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class Capture_Component;
class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// A component instance of the window's own, made for one enumeration and released after it.
using Capture_Component_Factory = std::function<std::unique_ptr<Capture_Component>()>;

// One row of ListView_prop.
struct Video_Source_Row {
  int32_t source_number = 0; // n of "video:n"
  QString friendly_name;
  int32_t property_number = 0; // the format's number on its device
  QString property;            // Process_AMT's description
  QString pixel_format;        // "YUYV", "MJPEG", ...: modes may differ in nothing else
  friend bool operator==(const Video_Source_Row&, const Video_Source_Row&) = default;
};

class Form_select_Video : public QMainWindow {
  Q_OBJECT
public:
  // Devices "video:1" to "video:10" are looked at.
  static constexpr int32_t Max_Sources = 10;
  // A device claiming more formats than this is listed up to here.
  static constexpr int32_t Max_Properties = 1000;

  explicit Form_select_Video(Capture_Component_Factory factory, QWidget* parent = nullptr);
  ~Form_select_Video() override;

  // "Enumerate Video sources": Do_Enum, then Do_Select.
  void Command_enum2_Click();
  // Fills the list from a new component instance; a failure ends it, keeping the rows so far.
  void Do_Enum();
  // Selects and marks in blue the row of the saved friendly name and format number.
  void Do_Select();
  // A click on a row: the labels show it and the settings remember it.
  void ListView_prop_ItemClick(QTreeWidgetItem* item);
  void Command_select_done_Click();
  void Command_Cancel_Click();
  // Stores the device-number label under capture/videoformat.
  void Save_Video_Format();
  // The "Form" menu: with Alt held it shows or hides the "Debug" menu.
  void menu_form_Click(Qt::KeyboardModifiers held);

  // Debug menu.
  void item_get_intervals_Click();
  // "List contents to ClipBoard".
  void Iter2();
  // The text Iter2 puts on the clipboard.
  QString List_Text() const;
  void item_show_friendly_Click();
  void item_form_capture_Click();

  // The check box "Limit capture to 25 fps", read when the capture source selects its source.
  bool Limit_Capture_25() const;
  // A row has been chosen since the window was made.
  bool Selected() const { return selected_; }
  bool Was_Cancelled() const { return m_was_Cancelled; }
  std::vector<Video_Source_Row> Rows() const;
  QAction* item(const QString& name) const;
  QMenu* Debug_Menu() const { return menu_debug_; }

  // Named controls.
  QTreeWidget* ListView_prop = nullptr;
  QLabel* Label_selected_friendly = nullptr;
  QLabel* Label_video_source = nullptr;
  QLabel* Label_property_num = nullptr;
  QLabel* Label_property_string = nullptr;
  QCheckBox* Check_25_fps = nullptr;
  QPushButton* Command_enum2 = nullptr;
  QPushButton* Command_select_done = nullptr;
  QPushButton* Command_Cancel = nullptr;

private:
  void build_controls();
  void build_menus();
  void Add_Row(const Video_Source_Row& row);
  void Show_Saved_Choice();
  void report(int32_t step, const QString& handler) const;

  Capture_Component_Factory factory_;
  std::vector<QAction*> items_;
  QMenu* menu_debug_ = nullptr;
  bool selected_ = false;
  bool m_was_Cancelled = false;
};
