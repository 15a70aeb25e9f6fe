#pragma once
#include <QString>
#include <memory>
#include <optional>

enum class Prompt_Icon { None, Information, Warning, Critical, Question };
enum class Prompt_Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Prompt_Answer { Ok, Cancel, Yes, No };

// Every message box, input box, file or folder dialog and beep goes through here,
// so tests can script the answers and never block on a modal dialog.
class Prompts {
public:
  virtual ~Prompts() = default;
  // `default_answer`: the button Enter presses; nullopt leaves the toolkit's own (the first).
  virtual Prompt_Answer message(const QString& text, const QString& title, Prompt_Buttons buttons, Prompt_Icon icon,
                                std::optional<Prompt_Answer> default_answer) = 0;
  // nullopt when cancelled.
  virtual std::optional<QString> input(const QString& prompt, const QString& title, const QString& default_text) = 0;
  // Empty text when cancelled.
  virtual QString open_file(const QString& title, const QString& folder, const QString& filter) = 0;
  virtual QString save_file(const QString& title, const QString& folder, const QString& filter) = 0;
  virtual QString select_folder(const QString& title, const QString& start_folder) = 0;
  virtual void beep() = 0;
};

// Prompts belong to the user-interface thread. Called from any other thread (a worker must
// return its errors instead) this asserts in debug builds and in others gives a stand-in that
// opens nothing, answers the safe choice and counts the refusal.
Prompts& prompts();
// True on the thread that runs the application's event loop (any thread before one exists).
bool On_User_Interface_Thread();
// Calls refused because they came from another thread, since the program started.
int Refused_Prompt_Calls();
// Replaces the active prompts; returns the previous one so a test can restore it.
std::unique_ptr<Prompts> install_prompts(std::unique_ptr<Prompts> replacement);

// The plain OK message box most of the system uses.
Prompt_Answer Msg_Box(const QString& text, const QString& title = {}, Prompt_Buttons buttons = Prompt_Buttons::Ok,
                      Prompt_Icon icon = Prompt_Icon::None, std::optional<Prompt_Answer> default_answer = std::nullopt);
void Beep();
