#pragma once
// Plays a race script in the window: the operator's commands at their moments on the window's
// thread, pressing the buttons and menu items a person would, and the kit's input changes raised
// on the simulated kit's own thread at theirs, whatever the window is doing then.
#include "app/main_window_controls.h"
#include "timing/race_script.h"

#include <QObject>
#include <vector>

class Simulated_Kit;

class Race_Script_Player : public QObject {
public:
  Race_Script_Player(Main_Window_Controls& ui, Simulated_Kit& kit, std::vector<Race_Command> commands);
  ~Race_Script_Player() override;
  Race_Script_Player(const Race_Script_Player&) = delete;
  Race_Script_Player& operator=(const Race_Script_Player&) = delete;

  // Counts from the moment the kit attached (`attached_mill`, the program clock).
  void Play(int32_t attached_mill);
  bool Playing() const { return playing_; }
  // One operator command now, as its moment came (a player on a clock of its own steps the kit).
  void Run(const Race_Command& command);

private:
  Main_Window_Controls& ui_;
  Simulated_Kit& kit_;
  std::vector<Race_Command> commands_;
  bool playing_ = false;
};
