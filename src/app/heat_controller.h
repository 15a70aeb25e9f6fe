#pragma once
// The heat's life on the main window: preparing its recording, the start signal and the heat
// clock, collecting the frames of the run and appending them when capture ends, finishing and
// aborting. Frames held in memory are never dropped without the operator's word.
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class Form_Doravent;
class Form_progress;
class cls_Capture_HDMI;
class cls_VideoFile_handler;

class Heat_Controller : public QObject {
public:
  // What the heat asks of the other controllers; set where the window is wired.
  struct Links {
    std::function<cls_Capture_HDMI*()> capture; // nullptr before the capture source exists
    std::function<bool()> cameras_running;      // the camera button reads "Stop camera"
    std::function<int32_t()> kit_serial;
    std::function<QString()> validate_folder;       // empty when the capture folder is usable
    std::function<QString()> event_name;            // the event file's, when one is in use
    std::function<QString(int16_t heat)> heat_name; // likewise
    std::function<void(cls_VideoFile_handler&)> update_dog_names;
    std::function<void()> open_last_heat;
    std::function<void(const QString& path)> show_file_size;
  };

  explicit Heat_Controller(Form_Doravent& window);
  ~Heat_Controller() override;
  Heat_Controller(const Heat_Controller&) = delete;
  Heat_Controller& operator=(const Heat_Controller&) = delete;

  Links& links() { return links_; }

  void Command_initiate_file_Click();
  void Handle_Start();
  void Handle_Capture_Start();
  void Handle_Capture_End();
  void Command_finish_Click();
  void Do_Heat_Finish();
  void Do_Abort();
  // Timer1: the running heat clock.
  void Update_heat_time();
  // The "Capture" button acts on press and on release.
  void Cmd_capture_MouseDown();
  void Cmd_capture_MouseUp();

  // Frames of the heat held in memory and not yet in its recording: appended first when the
  // heat has a recording, else the operator is asked whether to drop them. True when none are
  // held any more; false when they stay (the operator kept them, or appending failed) and the
  // command that asked must not go on.
  bool Secure_Held_Frames();
  // The camera stops: collecting ends and the held frames go into the heat's recording when it
  // has one. Nothing is asked: frames that stay are kept in memory.
  void Flush_Held_Frames();
  int32_t Held_Frames() const;

  // The heat's recording, written through a handler of its own: a recording opened for review
  // between preparing and starting a heat can never receive the heat's start or frames.
  cls_VideoFile_handler& Writer() { return *writer_; }

  // The pause after appending (500 ms) that lets window events run.
  void set_Append_Wait_Ms(int32_t ms) { append_wait_ms_ = ms; }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  // Appends the frames held in the frame list to the heat's recording, in time order; the
  // appended ones leave the list. True when all went in.
  bool Append_Held_Frames();
  void End_Collecting();
  bool Prepare_Recording();
  void report(int32_t step, const char* procedure);

  Form_Doravent& w_;
  Links links_;
  std::unique_ptr<cls_VideoFile_handler> writer_;
  int32_t append_wait_ms_ = 500;
};
