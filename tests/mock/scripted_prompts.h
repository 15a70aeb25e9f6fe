#pragma once
#include "platform/prompts.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <memory>
#include <vector>

// Records every prompt and answers from a script; with an empty script it answers
// Ok / Cancel / No and cancels dialogs.
class Scripted_Prompts final : public Prompts {
public:
  enum class Kind { Message, Input, Open_File, Save_File, Select_Folder, Beep };
  struct Prompt {
    Kind kind;
    QString text;
    QString title;
    Prompt_Buttons buttons = Prompt_Buttons::Ok;
    Prompt_Icon icon = Prompt_Icon::None;
    std::optional<Prompt_Answer> default_answer = std::nullopt;
  };

  std::vector<Prompt> seen;
  std::deque<Prompt_Answer> answers;
  std::deque<std::optional<QString>> texts; // inputs and dialogs
  std::vector<QString> filters;             // of the file dialogs, in order

  Prompt_Answer message(const QString& text, const QString& title, Prompt_Buttons buttons, Prompt_Icon icon,
                        std::optional<Prompt_Answer> default_answer) override;
  std::optional<QString> input(const QString& prompt, const QString& title, const QString& default_text) override;
  QString open_file(const QString& title, const QString& folder, const QString& filter) override;
  QString save_file(const QString& title, const QString& folder, const QString& filter) override;
  QString select_folder(const QString& title, const QString& start_folder) override;
  void beep() override;

  int count(Kind kind) const;
  QStringList messages() const;
  int beeps() const { return count(Kind::Beep); }
};

// Installs a Scripted_Prompts for the lifetime of the guard.
class Prompts_Guard {
public:
  Prompts_Guard();
  ~Prompts_Guard();
  Prompts_Guard(const Prompts_Guard&) = delete;
  Prompts_Guard& operator=(const Prompts_Guard&) = delete;
  Scripted_Prompts* operator->() const { return fake_; }
  Scripted_Prompts& operator*() const { return *fake_; }

private:
  Scripted_Prompts* fake_;
  std::unique_ptr<Prompts> previous_;
};
