#include "presentation/progress_window.h"

#include "platform/program_info.h"

#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

Form_progress::Form_progress(QWidget* owner, const QString& caption) : QWidget(owner, Qt::Tool) {
  setObjectName(QStringLiteral("Form_progress"));
  setWindowTitle(program().Program_Name);
  auto* layout = new QVBoxLayout(this);
  Label_progress = new QLabel(caption, this);
  Label_progress->setObjectName(QStringLiteral("Label_progress"));
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  layout->addWidget(Label_progress);
  layout->addWidget(ProgressBar1);
  resize(320, sizeHint().height());
}

void Form_progress::set_Caption(const QString& caption) { Label_progress->setText(caption); }

void Form_progress::set_Percent(int percent) { ProgressBar1->setValue(percent); }

int Form_progress::Percent() const { return ProgressBar1->value(); }

void Wait_Letting_Events_Run(int32_t ms) {
  if (ms <= 0) return;
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}
