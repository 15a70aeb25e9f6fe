#pragma once
#include <QString>

struct Command_Line {
  bool help = false;
  bool version = false;
  bool development = false;
  bool simulated_kit = false;
  QString race_script; // a race script to play (it drives the simulated kit)
  QString recording;
  QString error; // usage error
};

Command_Line Parse_Command_Line(int argc, char** argv);

// The program: parses the command line, starts the window and runs the event loop.
int Doravent_Main(int argc, char** argv);
