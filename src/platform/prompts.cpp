#include "platform/prompts.h"

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <cassert>
#include <cstdio>

namespace {

// Used until the window layer installs real dialogs: never blocks, answers the safe choice.
class Headless_Prompts final : public Prompts {
public:
  Prompt_Answer message(const QString& text, const QString& title, Prompt_Buttons buttons, Prompt_Icon /*icon*/,
                        std::optional<Prompt_Answer> /*default_answer*/) override {
    std::fprintf(stderr, "%s%s%s\n", qPrintable(title), title.isEmpty() ? "" : ": ", qPrintable(text));
    switch (buttons) {
    case Prompt_Buttons::Ok: return Prompt_Answer::Ok;
    case Prompt_Buttons::OkCancel: return Prompt_Answer::Cancel;
    case Prompt_Buttons::YesNo: return Prompt_Answer::No;
    case Prompt_Buttons::YesNoCancel: return Prompt_Answer::Cancel;
    }
    return Prompt_Answer::Cancel;
  }
  std::optional<QString> input(const QString&, const QString&, const QString&) override { return std::nullopt; }
  QString open_file(const QString&, const QString&, const QString&) override { return {}; }
  QString save_file(const QString&, const QString&, const QString&) override { return {}; }
  QString select_folder(const QString&, const QString&) override { return {}; }
  void beep() override {}
};

std::atomic<int> refused{0};

std::unique_ptr<Prompts>& active() {
  static std::unique_ptr<Prompts> instance = std::make_unique<Headless_Prompts>();
  return instance;
}

} // namespace

bool On_User_Interface_Thread() {
  const QCoreApplication* app = QCoreApplication::instance();
  return !app || app->thread() == QThread::currentThread();
}

int Refused_Prompt_Calls() { return refused.load(); }

Prompts& prompts() {
  const bool here = On_User_Interface_Thread();
  assert(here && "a prompt from a thread other than the user interface's");
  if (here) return *active();
  refused.fetch_add(1);
  // Stateless, so one object serves every thread at once.
  static Headless_Prompts stand_in;
  return stand_in;
}

std::unique_ptr<Prompts> install_prompts(std::unique_ptr<Prompts> replacement) {
  if (!replacement) replacement = std::make_unique<Headless_Prompts>();
  std::swap(active(), replacement);
  return replacement;
}

Prompt_Answer Msg_Box(const QString& text, const QString& title, Prompt_Buttons buttons, Prompt_Icon icon,
                      std::optional<Prompt_Answer> default_answer) {
  return prompts().message(text, title, buttons, icon, default_answer);
}

void Beep() { prompts().beep(); }
