#include "app/program_main.h"

#include "app/doravent_application.h"
#include "app/form_doravent.h"
#include "app/qt_prompts.h"
#include "platform/clock.h"
#include "platform/error_report.h"
#include "platform/program_info.h"
#include "presentation/error_form.h"
#include "timing/race_script.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

const char* const Usage =
    "Usage: doravent [options] [recording.qn3]\n"
    "Photo-finish and timing for dog races.\n\n"
    "Options:\n"
    "  --help         show this text and end\n"
    "  --version      show the program name and version and end\n"
    "  --development  development mode: debugging menus, no keyboard hook\n"
    "  --simulated-kit  a kit without hardware: a window with its six inputs and the LED\n"
    "  --race-script FILE  play a race from FILE with the simulated kit: one command a line,\n"
    "                 \"<ms> <command> [args]\", ms from the kit's attaching; the commands are\n"
    "                 camera, initiate, input <0-5> <0|1>, finish, open-last and quit.\n"
    "                 Every question takes its default answer; messages go to the standard error.\n\n"
    "The optional argument names a recording to open for review.\n";

// The error window is made on the first failure, not at start.
class First_Error_Opens_Window final : public Error_Sink {
public:
  void QNV_Error_Handler(const QString& description, int16_t number, int32_t line, const QString& location,
                         const QString& extra) override {
    Error_Form().QNV_Error_Handler(description, number, line, location, extra);
  }
};

} // namespace

Command_Line Parse_Command_Line(int argc, char** argv) {
  Command_Line line;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0)
      line.help = true;
    else if (std::strcmp(a, "--version") == 0 || std::strcmp(a, "-v") == 0)
      line.version = true;
    else if (std::strcmp(a, "--development") == 0)
      line.development = true;
    else if (std::strcmp(a, "--simulated-kit") == 0)
      line.simulated_kit = true;
    else if (std::strcmp(a, "--race-script") == 0) {
      if (i + 1 >= argc)
        line.error = QStringLiteral("--race-script needs the script's file");
      else
        line.race_script = QString::fromLocal8Bit(argv[++i]);
    } else if (a[0] == '-' && a[1] == '-')
      line.error = QStringLiteral("unknown option ") + QString::fromLocal8Bit(a);
    else if (line.recording.isEmpty())
      line.recording = QString::fromLocal8Bit(a);
    else
      line.error = QStringLiteral("only one recording can be opened");
  }
  return line;
}

int Doravent_Main(int argc, char** argv) {
  program().Program_Start_Mill = Mill_Now();
  const Command_Line line = Parse_Command_Line(argc, argv);
  // Answered before any window system is touched, so they work on a bare terminal.
  if (line.version) {
    std::printf("%s %s\n", qPrintable(program().Program_Name), DORAVENT_VERSION);
    return 0;
  }
  if (line.help) {
    std::fputs(Usage, stdout);
    return 0;
  }
  if (!line.error.isEmpty()) {
    std::fprintf(stderr, "doravent: %s\n%s", qPrintable(line.error), Usage);
    return 2;
  }

  // A script that cannot be read stops the program before anything is played.
  std::vector<Race_Command> script;
  if (!line.race_script.isEmpty()) {
    Race_Script_Error error;
    const auto read = Read_Race_Script(line.race_script, error);
    if (!read) {
      std::fprintf(stderr, "doravent: %s\n", qPrintable(error.Message(line.race_script)));
      return 2;
    }
    script = *read;
  }

  Doravent_Application app(argc, argv);
  install_prompts(line.race_script.isEmpty() ? Make_Qt_Prompts() : Make_Default_Answer_Prompts());
  First_Error_Opens_Window first_error;
  install_error_sink(&first_error);

  Form_Doravent::Options options;
  options.development_mode = line.development;
  options.simulated_kit = line.simulated_kit || !line.race_script.isEmpty();
  options.command_argument = line.recording;
  Form_Doravent window(options);
  if (!window.Form_Load()) return 0;
  window.show();
  window.Arrange_form();
  if (!line.race_script.isEmpty()) window.Play_Race_Script(std::move(script));
  return Doravent_Application::exec();
}
