#include "mock/scripted_prompts.h"

namespace {
template <class Q> auto take(Q& queue) {
  auto v = queue.front();
  queue.pop_front();
  return v;
}
} // namespace

Prompt_Answer Scripted_Prompts::message(const QString& text, const QString& title, Prompt_Buttons buttons,
                                        Prompt_Icon icon, std::optional<Prompt_Answer> default_answer) {
  seen.push_back({Kind::Message, text, title, buttons, icon, default_answer});
  if (!answers.empty()) return take(answers);
  switch (buttons) {
  case Prompt_Buttons::Ok: return Prompt_Answer::Ok;
  case Prompt_Buttons::OkCancel: return Prompt_Answer::Cancel;
  case Prompt_Buttons::YesNo: return Prompt_Answer::No;
  case Prompt_Buttons::YesNoCancel: return Prompt_Answer::Cancel;
  }
  return Prompt_Answer::Cancel;
}

std::optional<QString> Scripted_Prompts::input(const QString& prompt, const QString& title, const QString&) {
  seen.push_back({Kind::Input, prompt, title});
  if (!texts.empty()) return take(texts);
  return std::nullopt;
}

QString Scripted_Prompts::open_file(const QString& title, const QString& folder, const QString& filter) {
  seen.push_back({Kind::Open_File, folder, title});
  filters.push_back(filter);
  return texts.empty() ? QString() : take(texts).value_or(QString());
}

QString Scripted_Prompts::save_file(const QString& title, const QString& folder, const QString& filter) {
  seen.push_back({Kind::Save_File, folder, title});
  filters.push_back(filter);
  return texts.empty() ? QString() : take(texts).value_or(QString());
}

QString Scripted_Prompts::select_folder(const QString& title, const QString& start_folder) {
  seen.push_back({Kind::Select_Folder, start_folder, title});
  return texts.empty() ? QString() : take(texts).value_or(QString());
}

void Scripted_Prompts::beep() { seen.push_back({Kind::Beep, {}, {}}); }

int Scripted_Prompts::count(Kind kind) const {
  int n = 0;
  for (const auto& p : seen)
    n += p.kind == kind ? 1 : 0;
  return n;
}

QStringList Scripted_Prompts::messages() const {
  QStringList out;
  for (const auto& p : seen)
    if (p.kind == Kind::Message) out << p.text;
  return out;
}

Prompts_Guard::Prompts_Guard() {
  auto fake = std::make_unique<Scripted_Prompts>();
  fake_ = fake.get();
  previous_ = install_prompts(std::move(fake));
}

Prompts_Guard::~Prompts_Guard() { install_prompts(std::move(previous_)); }
