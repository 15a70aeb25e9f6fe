#include "app/qt_prompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <cstdio>

namespace {

QWidget* owner() { return QApplication::activeWindow(); }

} // namespace

QString Qt_File_Filter(const QString& filter) {
  if (!filter.contains(QLatin1Char('|'))) return filter;
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList entries;
  for (qsizetype i = 0; i < parts.size(); i += 2) {
    const QString text = parts.at(i).trimmed();
    const QString pattern =
        i + 1 < parts.size() ? parts.at(i + 1).trimmed().replace(QLatin1Char(';'), QLatin1Char(' ')) : QString();
    if (text.isEmpty() && pattern.isEmpty()) continue;
    // Qt reads the patterns from the parentheses; the text may already carry them.
    if (pattern.isEmpty() || text.contains(QLatin1Char('(')))
      entries << (text.isEmpty() ? pattern : text);
    else
      entries << (text.isEmpty() ? pattern : text + QStringLiteral(" (") + pattern + QLatin1Char(')'));
  }
  return entries.join(QStringLiteral(";;"));
}

namespace {

class Qt_Prompts final : public Prompts {
public:
  Prompt_Answer message(const QString& text, const QString& title, Prompt_Buttons buttons, Prompt_Icon icon,
                        std::optional<Prompt_Answer> default_answer) override {
    QMessageBox box(owner());
    box.setText(text);
    box.setWindowTitle(title.isEmpty() ? QStringLiteral("Doravent_HDMI") : title);
    switch (icon) {
    case Prompt_Icon::None: box.setIcon(QMessageBox::NoIcon); break;
    case Prompt_Icon::Information: box.setIcon(QMessageBox::Information); break;
    case Prompt_Icon::Warning: box.setIcon(QMessageBox::Warning); break;
    case Prompt_Icon::Critical: box.setIcon(QMessageBox::Critical); break;
    case Prompt_Icon::Question: box.setIcon(QMessageBox::Question); break;
    }
    switch (buttons) {
    case Prompt_Buttons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case Prompt_Buttons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case Prompt_Buttons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case Prompt_Buttons::YesNoCancel:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      break;
    }
    if (default_answer) {
      switch (*default_answer) {
      case Prompt_Answer::Ok: box.setDefaultButton(QMessageBox::Ok); break;
      case Prompt_Answer::Cancel: box.setDefaultButton(QMessageBox::Cancel); break;
      case Prompt_Answer::Yes: box.setDefaultButton(QMessageBox::Yes); break;
      case Prompt_Answer::No: box.setDefaultButton(QMessageBox::No); break;
      }
    }
    switch (box.exec()) {
    case QMessageBox::Ok: return Prompt_Answer::Ok;
    case QMessageBox::Yes: return Prompt_Answer::Yes;
    case QMessageBox::No: return Prompt_Answer::No;
    default: return Prompt_Answer::Cancel;
    }
  }

  std::optional<QString> input(const QString& prompt, const QString& title, const QString& default_text) override {
    bool ok = false;
    const QString text = QInputDialog::getText(owner(), title, prompt, QLineEdit::Normal, default_text, &ok);
    if (!ok) return std::nullopt;
    return text;
  }

  QString open_file(const QString& title, const QString& folder, const QString& filter) override {
    return QFileDialog::getOpenFileName(owner(), title, folder, Qt_File_Filter(filter));
  }

  QString save_file(const QString& title, const QString& folder, const QString& filter) override {
    return QFileDialog::getSaveFileName(owner(), title, folder, Qt_File_Filter(filter));
  }

  QString select_folder(const QString& title, const QString& start_folder) override {
    return QFileDialog::getExistingDirectory(owner(), title, start_folder);
  }

  void beep() override { QApplication::beep(); }
};

} // namespace

std::unique_ptr<Prompts> Make_Qt_Prompts() { return std::make_unique<Qt_Prompts>(); }

namespace {

class Default_Answer_Prompts final : public Prompts {
public:
  Prompt_Answer message(const QString& text, const QString& title, Prompt_Buttons buttons, Prompt_Icon,
                        std::optional<Prompt_Answer> default_answer) override {
    Prompt_Answer answer = Prompt_Answer::Ok;
    if (default_answer) {
      answer = *default_answer;
    } else {
      switch (buttons) {
      case Prompt_Buttons::Ok:
      case Prompt_Buttons::OkCancel: answer = Prompt_Answer::Ok; break;
      case Prompt_Buttons::YesNo:
      case Prompt_Buttons::YesNoCancel: answer = Prompt_Answer::Yes; break;
      }
    }
    std::fprintf(stderr, "doravent: %s%s%s\n", qPrintable(title), title.isEmpty() ? "" : ": ",
                 qPrintable(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral(" "))));
    return answer;
  }
  std::optional<QString> input(const QString& prompt, const QString&, const QString&) override {
    std::fprintf(stderr, "doravent: %s (no answer)\n", qPrintable(prompt));
    return std::nullopt;
  }
  QString open_file(const QString&, const QString&, const QString&) override { return {}; }
  QString save_file(const QString&, const QString&, const QString&) override { return {}; }
  QString select_folder(const QString&, const QString&) override { return {}; }
  void beep() override { std::fputs("doravent: beep\n", stderr); }
};

} // namespace

std::unique_ptr<Prompts> Make_Default_Answer_Prompts() { return std::make_unique<Default_Answer_Prompts>(); }
