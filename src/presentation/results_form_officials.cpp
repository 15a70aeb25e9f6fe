// The officials' share of the results window: the declared state of the result, shown in its
// colour, and the commands that declare and reopen it.
#include "metadata/xml_header.h"
#include "platform/error_report.h"
#include "platform/prompts.h"
#include "platform/trace.h"
#include "presentation/results_form.h"
#include "recording/video_file_handler.h"
#include "timing/result_change.h"
#include "timing/review_session.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>

namespace {

const QColor Official_Green(0, 128, 0);
const QColor No_Race_Red(255, 0, 0);
const QColor Provisional_Grey(96, 96, 96);

QColor state_colour(Result_State state) {
  switch (state) {
  case Result_State::Official: return Official_Green;
  case Result_State::No_Race: return No_Race_Red;
  case Result_State::Provisional: break;
  }
  return Provisional_Grey;
}

} // namespace

void Form_Dora_Results::build_result_menu() {
  QMenu* result = menuBar()->addMenu(QStringLiteral("Result"));
  result->setObjectName(QStringLiteral("menu_result"));
  const auto add = [this, result](const char* name, const QString& caption, auto&& handler) {
    QAction* a = result->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    items_.push_back(a);
    connect(a, &QAction::triggered, this, handler);
  };
  add("item_declare_official", QStringLiteral("Declare Official"), [this] { Declare_Result(Result_State::Official); });
  add("item_declare_no_race", QStringLiteral("Declare No Race"), [this] { Declare_Result(Result_State::No_Race); });
  add("item_reopen_result", QStringLiteral("Reopen result..."), [this] { Reopen_Result(); });
}

void Form_Dora_Results::Show_State(std::optional<Result_State> state) {
  shown_state_ = state.value_or(Result_State::Provisional);
  Label_result_state->setText(state ? Result_State_Text(*state) : QString());
  QPalette palette = Label_result_state->palette();
  palette.setColor(QPalette::WindowText, state_colour(shown_state_));
  Label_result_state->setPalette(palette);
  const bool declared = state && Result_Declared(*state);
  item(QStringLiteral("item_declare_official"))->setEnabled(state && !declared);
  item(QStringLiteral("item_declare_no_race"))->setEnabled(state && !declared);
  item(QStringLiteral("item_reopen_result"))->setEnabled(declared);
}

void Form_Dora_Results::Show_Audit(const QString& text, bool sound) {
  // A sound trail is the normal case and says nothing; anything else is there to be seen.
  Label_audit->setVisible(!sound && !text.isEmpty());
  Label_audit->setText(sound ? QString() : QStringLiteral("Audit trail: ") + text);
  QPalette palette = Label_audit->palette();
  palette.setColor(QPalette::WindowText, No_Race_Red);
  Label_audit->setPalette(palette);
}

void Form_Dora_Results::Declare_Result(Result_State state) {
  int32_t step = 10;
  try {
    cls_VideoFile_handler* recording = Changeable_Recording();
    if (!recording) return;
    const Result_State now = Result_State_Of(recording->XML_Header().Dora_Result_State());
    if (Result_Declared(now)) {
      // A declared result is reopened, with a reason, before it is declared again.
      Beep();
      Trace_Message(QStringLiteral("*Declare_Result, the result is already ") + Result_State_Text(now));
      return;
    }
    step = 20;
    session_->Change_Result(
        QStringLiteral("Declare ") + Result_State_Text(state),
        [&] { recording->XML_Header().set_Dora_Result_State(Result_State_Text(state)); }, Result_Change::Declaration);
  } catch (...) {
    report(step, state == Result_State::No_Race ? QStringLiteral("item_declare_no_race_Click")
                                                : QStringLiteral("item_declare_official_Click"));
  }
}

void Form_Dora_Results::Reopen_Result() {
  int32_t step = 10;
  try {
    cls_VideoFile_handler* recording = Changeable_Recording();
    if (!recording) return;
    const Result_State now = Result_State_Of(recording->XML_Header().Dora_Result_State());
    if (!Result_Declared(now)) {
      Beep();
      Trace_Message(QStringLiteral("*Reopen_Result, the result is provisional"));
      return;
    }
    step = 20;
    const auto reason = prompts().input(QStringLiteral("Reason for reopening the ") + Result_State_Text(now) +
                                            QStringLiteral(" result"),
                                        QStringLiteral("Doravent results"), {});
    // The reason goes into the audit trail: without one the result stays as declared.
    if (!reason || reason->trimmed().isEmpty()) {
      Beep();
      return;
    }
    step = 30;
    session_->Change_Result(
        QStringLiteral("Reopen result: ") + reason->trimmed(),
        [&] { recording->XML_Header().set_Dora_Result_State(Result_State_Text(Result_State::Provisional)); },
        Result_Change::Declaration);
  } catch (...) {
    report(step, QStringLiteral("item_reopen_result_Click"));
  }
}
