#pragma once
// The heat competitors window: the heat name and the six dog names of the recording under
// review, which it can fill from any heat of the event file. Each change is a result change:
// written to the recording at once, with its entry in the audit trail. A name the operator types
// is one change when the box is left, not one per key.
#include <QMainWindow>
#include <array>
#include <cstdint>
#include <functional>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class Review_Session;
class cls_VideoFile_handler;

// What the window needs of the main window and the event window; unset hooks do nothing.
struct Competitors_Hooks {
  std::function<bool()> event_file_open;
  std::function<QString(int16_t heat)> heat_name;
  std::function<QString(int16_t heat, int16_t box)> reg_dog_name;
  std::function<void()> display_results; // show the ranked results again
};

class Form_heat_competitors : public QMainWindow {
  Q_OBJECT
public:
  explicit Form_heat_competitors(QWidget* owner = nullptr);
  ~Form_heat_competitors() override;

  void set_Hooks(Competitors_Hooks hooks) { hooks_ = std::move(hooks); }
  // The recording under review, whose names change through the session's one result change.
  void set_Session(Review_Session* session) { session_ = session; }

  // With a recording open the boxes show its names and the up-down its heat; without one the
  // up-down starts at `heat` and the boxes show that heat of the event file. Opening changes
  // nothing in the recording.
  void Form_Load(int16_t heat);

  // The up-down changed: the selected heat's names of the event file replace the boxes (and so
  // the recording's names). Without an event file there are no names to take: the boxes stay.
  void UpDown_heat_Change();
  // A box's text becomes the recording's dog name (heat name); run when a box is filled and when
  // the operator leaves a box he typed in.
  void Text_dog_name_Change(int index);
  void Text_Heat_name_Change();
  // "Update current file": the six boxes become the recording's dog names.
  void Command_update_Click();

  // The recording's header was changed through this window.
  bool Changed() const { return changed_; }

  QAction* item(const QString& name) const;

  // Named controls.
  QSpinBox* UpDown_heat = nullptr;
  QLabel* Label_heatno = nullptr;
  QGroupBox* Frame_heat_name = nullptr;
  QLineEdit* Text_Heat_name = nullptr;
  QLabel* Label_dogs_in_heat = nullptr;
  QLabel* Label_boxes = nullptr;
  std::array<QLineEdit*, 6> Text_dog_name{};
  QPushButton* Command_update = nullptr;

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  void build_controls();
  // The recording when it may be written; a read-only one is refused once per window.
  cls_VideoFile_handler* writable_recording();
  // Applies the change to the header and writes it; false (reported by the recording) when the
  // file refused it: the header is then as before.
  bool write_change(const QString& command, const std::function<void()>& change);
  // Boxes typed in since their last change was written.
  void finish_typed_boxes();
  void report(int32_t step, const QString& handler);

  Competitors_Hooks hooks_;
  Review_Session* session_ = nullptr;
  bool changed_ = false;
  bool refused_ = false;
  std::array<bool, 6> typed_dog_{};
  bool typed_heat_name_ = false;
  std::vector<QAction*> items_;
};
