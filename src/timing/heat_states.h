#pragma once
// The heat's states and the rule for every command in every state: one table, so that a
// command arriving at the wrong moment (a second press, a bouncing trigger, a start signal while
// the frames of the last heat are still being appended, a prompt that lets events run) is
// refused or kept for later by the same rule wherever it comes from.
#include <QString>
#include <cstdint>

enum class Heat_State {
  Idle,       // no recording prepared
  Prepared,   // the heat's recording exists, no start yet
  Running,    // started: the clock runs
  Collecting, // a camera trigger is closed: every frame is kept
  Appending,  // the kept frames are being written to the recording
};

enum class Heat_Command { Initiate, Start, Capture_Start, Capture_End, Finish, Abort };

enum class Heat_Verdict {
  Accept,
  Refuse, // beep and trace why
  Ignore, // nothing happens, nothing is said
  Defer,  // taken once the append in progress is done
};

struct Heat_Rule {
  Heat_Verdict verdict = Heat_Verdict::Refuse;
  QString why; // the trace text of a refusal
};

struct Heat_Conditions {
  // A recording is open for review in the window: the commands that would touch the heat's
  // recording are refused.
  bool reviewing = false;
  // The append in progress ends the heat ("Heat finish" or an abort): no heat runs once it is done.
  bool finishing = false;
  // Development mode captures without a running heat.
  bool development = false;
  // The trigger's frames are collected before any start: a start may still come (an operator
  // too late); without one the start is recovered by hand in review.
  bool collecting_without_start = false;
  // The start is armed: a trigger before any start is kept (a start contact that failed).
  bool armed = false;
};

Heat_Rule Heat_Command_Rule(Heat_State state, Heat_Command command, const Heat_Conditions& conditions);

QString Heat_State_Name(Heat_State state);
QString Heat_Command_Name(Heat_Command command);
