#pragma once
#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

// The settings window: the three behaviour switches and the three delays, for the officials the
// rules of the beaten distances and the folder the result files go to, and what the finish
// proposals take the jackets' colours and the direction of travel to be. Every change is
// written to the settings file at once; the other windows consult its check boxes.
class Form_Doravent_settings : public QDialog {
  Q_OBJECT
public:
  explicit Form_Doravent_settings(QWidget* parent = nullptr);
  ~Form_Doravent_settings() override;

  // The one window, created hidden (reading the keys) on first use.
  static Form_Doravent_settings& instance();
  // Releases the window; at shutdown (also run when the application object goes).
  static void Unload_Instance();

  bool auto_init() const;
  bool show_printer_dialog() const;
  bool open_after_finish() const;

  // Fills the delay boxes from the delay globals and the check boxes from their keys.
  void Form_Load();

  // Whether a typed character may enter a delay box: digits and codes 8, 9, 12 and 46.
  static bool Delay_Key_Allowed(int code);

  QGroupBox* Frame_various = nullptr;
  QCheckBox* Check_Auto_init = nullptr;
  QCheckBox* Check_print_dialog = nullptr;
  QCheckBox* Check_open_after_finish = nullptr;
  QCheckBox* Check_write_while_capturing = nullptr;
  QLineEdit* Text_held_frames_mb = nullptr;
  QGroupBox* Frame_Box_delay = nullptr;
  QLineEdit* Text_Box_delay = nullptr;
  QGroupBox* Frame_video_pipe = nullptr;
  QLineEdit* Text_goalcam_delay = nullptr;
  QGroupBox* Frame1 = nullptr;
  QLineEdit* Text_splitcam_delay = nullptr;
  QGroupBox* Frame_distances = nullptr;
  QLineEdit* Text_seconds_per_length = nullptr;
  QLineEdit* Text_dis_limit = nullptr;
  QGroupBox* Frame_results_folder = nullptr;
  QLabel* Label_results_folder = nullptr;
  QPushButton* Command_results_folder = nullptr;
  QGroupBox* Frame_proposals = nullptr;
  QComboBox* Combo_jacket_colours = nullptr;
  QComboBox* Combo_direction = nullptr;
  QPushButton* Command_hide = nullptr;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

Q_SIGNALS:
  // The box delay or a beaten-distance rule was written: what a provisional result shows changed.
  void result_settings_changed();

private:
  void Check_Click(QCheckBox* box, const QString& key, const QString& handler);
  void Text_Change(QLineEdit* box, const QString& key, const QString& handler);
  void Command_hide_Click();
  void Load_Check(QCheckBox* box, const QString& key, bool default_on = false);
  void Held_Frames_Change();
  void build_officials_controls(QVBoxLayout* layout);
  void Load_Officials();
  // A rule is written only when it is a positive number; otherwise the box shows why and the
  // value in force stays.
  void Rule_Change(QLineEdit* box, const QString& key, const QString& handler);
  void Command_results_folder_Click();
  void build_proposal_controls(QVBoxLayout* layout);
  void Load_Proposals();
  void Choice_Change(QComboBox* box, const QString& key, const QString& handler);
};
