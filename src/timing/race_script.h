#pragma once
// A race without a person: one command a line, "<ms> <command> [args]", ms counting from the
// moment the simulated kit attaches; "#" starts a comment. The commands are the operator's
// (camera, initiate, finish, open-last, quit) and the kit's (input <0-5> <0|1>).
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

enum class Race_Action { Camera, Initiate, Input, Finish, Open_Last, Quit };

struct Race_Command {
  int32_t at_ms = 0;
  Race_Action action = Race_Action::Camera;
  int32_t input = 0;   // Input: 0..5
  bool closed = false; // Input: 1 closes the switch
  int32_t line = 0;    // 1-based, for messages
};

struct Race_Script_Error {
  int32_t line = 0; // 0: the file itself
  QString text;     // the line as written
  QString why;
  QString Message(const QString& file) const;
};

// The commands in the order they are due (ties keep the file's order); nullopt with the first
// line that cannot be read.
std::optional<std::vector<Race_Command>> Parse_Race_Script(const QString& text, Race_Script_Error& error);
// The file read whole (a script is small: larger than 1 MB is refused).
std::optional<std::vector<Race_Command>> Read_Race_Script(const QString& path, Race_Script_Error& error);
