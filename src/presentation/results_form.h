#pragma once
// The results window: the ranked heat under review, with name changes, clearing, clipboard
// export and a printed image of the window.
//
// Files: results_form.cpp (controls, display, painting, mouse actions, names, export),
// results_form_print.cpp (printing with its progress window), results_form_officials.cpp (the
// declared state of the result and its commands).
#include "timing/beaten_distance.h"
#include "timing/result_ranking.h"
#include "timing/result_state.h"

#include <QFont>
#include <QImage>
#include <QMainWindow>
#include <QSize>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

class QAction;
class QGroupBox;
class QLabel;
class QPagedPaintDevice;
class Review_Session;
class cls_VideoFile_handler;

// The box picture: background and digit in the box's colours, the digit as large as fits.
// Box 6 is white with two bands in the button-shadow colour and a red digit.
QImage Box_Picture(QSize size, int16_t box);
// Paints the picture label with Box_Picture; the image stays with the label.
void Paint_box(QLabel* picture, int16_t box);

// Header labels: from start_size down by 2 to the first size whose text is narrower than 0.9 of
// the width; below 8 the first size the steps reach (6 from an even start).
int Shrunk_Font_Size(const QString& text, const QFont& font, int width_px, int start_size);
// Dog names: from 110 down by 2 to the first Arial size at which the name is both narrower and
// lower than the inner size; 8 when none fits.
int Fitting_Name_Size(const QString& name, QSize inner, bool bold);

// The heading of the shown results.
struct Results_Heading {
  QString event;
  QString heat_id;
  QString heat_name;
  QString started; // the start date and time as stored
  Result_State state = Result_State::Provisional;
  bool start_recovered = false;
  // The audit trail's check at the opening or the last change; nothing shown while it is sound.
  QString audit_text{};
  bool audit_sound = true;
};

// What the window's moves need of the main window; unset hooks do nothing.
struct Results_Hooks {
  std::function<void(int16_t)> goto_rank; // result position 1..6
  std::function<void(int16_t)> goto_split_time;
  std::function<void(int16_t)> goto_box;
  std::function<void(const QString&)> set_print_dog_name;
  std::function<void()> focus_slider;
};

class Form_Dora_Results : public QMainWindow {
  Q_OBJECT
public:
  explicit Form_Dora_Results(QWidget* owner = nullptr);
  ~Form_Dora_Results() override;

  void set_Hooks(Results_Hooks hooks) { hooks_ = std::move(hooks); }
  // The recording under review and the one way its results change; the window shows what the
  // session's results_changed() brings.
  void set_Session(Review_Session* session) { session_ = session; }

  // Takes the stored position and empties the display.
  void Form_Load();
  void Clear_Results_Display();
  // Shows the sorted rows with their beaten distances; the rows are kept so a name change knows
  // each row's box.
  void Display_Results(const Results_Heading& heading, const Result_Array& sorted, int32_t box_delay_ms,
                       const Distance_Rules& rules = {});
  const Result_Array& Shown_Results() const { return shown_; }
  Result_State Shown_State() const { return shown_state_; }

  // Menu commands.
  void Print_Click();
  void Hide_Click() { hide(); }
  void Clear_all_results_Click();
  void Export_to_Clipboard();
  // The text Export_to_Clipboard puts on the clipboard.
  QString Export_Text() const;
  // Prints the window's image on the device; false (reported) on failure.
  bool Doprintform(QPagedPaintDevice& device);

  // The officials' commands: declaring the result "Official" or "No Race", and reopening a
  // declared result, which asks for the reason.
  void Declare_Result(Result_State state);
  void Reopen_Result();

  // Name changes (also reached by the mouse).
  void Change_Dog_Name(int row);
  void Change_Event_Name();
  void Change_Heat_Name();

  QAction* item(const QString& name) const;

  // Named controls.
  QLabel* Label_Doravent = nullptr;
  QGroupBox* Frame_event = nullptr;
  QLabel* Label_event_name = nullptr;
  QGroupBox* Frame_heat = nullptr;
  QLabel* Label_Heat_ID = nullptr;
  QLabel* Label_Heat_name = nullptr;
  QLabel* Label_heat_started = nullptr;
  QLabel* Label_box_delay = nullptr;
  QLabel* Label_header = nullptr;
  std::array<QLabel*, Result_Rows> Label_rank{};
  std::array<QLabel*, Result_Rows> Picture_box{};
  std::array<QLabel*, Result_Rows> Label_name{};
  std::array<QLabel*, Result_Rows> Label_time{};
  std::array<QLabel*, Result_Rows> Label_Split{};
  std::array<QWidget*, Result_Rows> Shape_dead_circle{};
  QLabel* Label_header_dog = nullptr;
  QLabel* Label_header_name = nullptr;
  QLabel* Label_header_time = nullptr;
  QLabel* Label_header_split = nullptr;
  QLabel* Label_header_distance = nullptr;
  std::array<QLabel*, Result_Rows> Label_distance{};
  QLabel* Label_result_state = nullptr;
  QLabel* Label_audit = nullptr; // a broken, mismatched or interrupted audit trail
  QLabel* Label_printed = nullptr;
  QLabel* Picture1 = nullptr;

protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

private:
  void build_controls();
  void build_menus();
  void build_result_menu();
  // The state label and which of the result commands apply.
  void Show_State(std::optional<Result_State> state);
  void Show_Audit(const QString& text, bool sound);
  void Store_Position();
  // The recording's name, frame-data digest and audit head, for the printed page.
  QStringList Evidence_Lines() const;
  void Paint_Boxes();
  // The open recording, unless it is read-only: then the refusal is shown and nullptr returned.
  cls_VideoFile_handler* Changeable_Recording();
  void focus_slider();
  void Mark_Interpolated(std::size_t row, int16_t box);
  void report(int32_t step, const QString& handler);
  int row_of(QObject* watched, const std::array<QLabel*, Result_Rows>& labels) const;

  Results_Hooks hooks_;
  Review_Session* session_ = nullptr;
  Result_Array shown_{};
  Result_State shown_state_ = Result_State::Provisional;
  std::vector<QAction*> items_;
};
