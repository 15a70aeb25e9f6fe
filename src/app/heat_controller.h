#pragma once
// The heat on the main window: its buttons (initiate, start, finish, capture), the heat clock,
// the collecting count, the recording's name and size, the append's progress and the question
// before an abort. The heat itself is the heat session.
#include "app/main_window_controls.h"

#include <QObject>
#include <cstdint>
#include <memory>

class Form_progress;

class Heat_Controller : public QObject, private Window_Binding {
public:
  explicit Heat_Controller(const Main_Window_Parts& parts);
  ~Heat_Controller() override;
  Heat_Controller(const Heat_Controller&) = delete;
  Heat_Controller& operator=(const Heat_Controller&) = delete;

  void Command_initiate_file_Click();
  void Command_start_heat_Click();
  void Command_finish_Click();
  // "Aborting heat  are you sure?" and, answered Ok, the heat's end.
  void Do_Abort();
  // Escape during a frame: the question is put after the frame, once however many frames ask.
  void Recording_Grew(const QString& path, int32_t segments);
  void Notice(const QString& text);
  void Abort_Requested();
  // Timer1: the running heat clock.
  void Update_heat_time();
  // The "Capture" button acts on press and on release.
  void Cmd_capture_MouseDown();
  void Cmd_capture_MouseUp();

  // The session's state, recording and append, shown.
  void Heat_State_Changed();
  void Show_Heat_State();
  void Recording_Prepared(const QString& path);
  void Recording_Written(const QString& path);
  void Appending(bool on);
  void Append_Progress(int percent);
  void Heat_Finished();
  void Heat_Aborted();

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  std::unique_ptr<Form_progress> progress_;
  bool collecting_shown_ = false;
  bool abort_pending_ = false;
};
