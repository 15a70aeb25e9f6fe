#include "timing/heat_states.h"

namespace {

Heat_Rule accept() { return {Heat_Verdict::Accept, {}}; }
Heat_Rule ignore() { return {Heat_Verdict::Ignore, {}}; }
Heat_Rule defer() { return {Heat_Verdict::Defer, {}}; }
Heat_Rule refuse(const char* why) { return {Heat_Verdict::Refuse, QString::fromLatin1(why)}; }

} // namespace

Heat_Rule Heat_Command_Rule(Heat_State state, Heat_Command command, const Heat_Conditions& conditions) {
  using S = Heat_State;
  using C = Heat_Command;
  const bool reviewing = conditions.reviewing;
  const bool finishing = conditions.finishing;
  // Opening a recording for review stopped the cameras and put the heat's frames away; the heat's
  // own recording is not touched while another one is reviewed.
  if (reviewing && (command == C::Initiate || command == C::Start || command == C::Finish))
    return refuse(command == C::Start ? "*H_S File open!!" : "*A recording is open for review");
  if (reviewing && command == C::Capture_Start && state == S::Prepared) return ignore(); // not into the heat's file
  switch (command) {
  case C::Initiate:
    switch (state) {
    case S::Idle:
    case S::Prepared: return accept(); // a new recording for the heat; the empty one stays on disk
    case S::Running:
    case S::Collecting: return refuse("*Initiate file refused, a heat is running");
    case S::Appending: return refuse("*Initiate file refused, frames are being appended");
    }
    break;
  case C::Start:
    switch (state) {
    case S::Idle:
    case S::Prepared: return accept(); // Idle: prepared on the fly, or refused, by the setting
    case S::Running: return refuse("*Heat already started!!");
    case S::Collecting: return conditions.collecting_without_start ? accept() : refuse("*Heat already started!!");
    case S::Appending: return finishing ? defer() : refuse("*Heat already started!!");
    }
    break;
  case C::Capture_Start:
    switch (state) {
    case S::Idle: return refuse("*Capture refused, no recording prepared");
    case S::Prepared: return conditions.armed || conditions.development ? accept() : ignore();
    case S::Running: return accept();
    case S::Collecting: return ignore(); // a second trigger while the first is closed
    case S::Appending: return finishing ? ignore() : accept();
    }
    break;
  case C::Capture_End:
    switch (state) {
    case S::Collecting: return accept();
    case S::Appending: return finishing ? ignore() : defer(); // frames kept meanwhile go next
    case S::Idle:
    case S::Prepared:
    case S::Running: return ignore();
    }
    break;
  case C::Finish:
    switch (state) {
    case S::Idle: return refuse("*Heat finish refused, no heat prepared");
    case S::Prepared:
    case S::Running:
    case S::Collecting: return accept();
    case S::Appending: return finishing ? refuse("*Heat finish refused, the heat is being finished") : defer();
    }
    break;
  case C::Abort:
    switch (state) {
    case S::Running:
    case S::Collecting: return accept();
    case S::Appending: return finishing ? ignore() : accept();
    case S::Idle:
    case S::Prepared: return ignore();
    }
    break;
  }
  return refuse("*Unknown heat command");
}

QString Heat_State_Name(Heat_State state) {
  switch (state) {
  case Heat_State::Idle: return QStringLiteral("Idle");
  case Heat_State::Prepared: return QStringLiteral("Prepared");
  case Heat_State::Running: return QStringLiteral("Running");
  case Heat_State::Collecting: return QStringLiteral("Collecting");
  case Heat_State::Appending: return QStringLiteral("Appending");
  }
  return {};
}

QString Heat_Command_Name(Heat_Command command) {
  switch (command) {
  case Heat_Command::Initiate: return QStringLiteral("Initiate file");
  case Heat_Command::Start: return QStringLiteral("Start");
  case Heat_Command::Capture_Start: return QStringLiteral("Capture start");
  case Heat_Command::Capture_End: return QStringLiteral("Capture end");
  case Heat_Command::Finish: return QStringLiteral("Heat finish");
  case Heat_Command::Abort: return QStringLiteral("Abort");
  }
  return {};
}
