#include "app/program_main.h"

int main(int argc, char** argv) { return Doravent_Main(argc, argv); }
