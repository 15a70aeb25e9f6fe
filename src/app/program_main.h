#pragma once

// The program: parses the command line, starts the window and runs the event loop.
int Doravent_Main(int argc, char** argv);
