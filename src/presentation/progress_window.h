#pragma once
// The progress window: a caption and a bar, shown while a long step runs and events go on.
#include <QString>
#include <QWidget>
#include <cstdint>

class QLabel;
class QProgressBar;

class Form_progress : public QWidget {
public:
  explicit Form_progress(QWidget* owner, const QString& caption);
  void set_Caption(const QString& caption);
  // 0..100
  void set_Percent(int percent);
  int Percent() const;

  QLabel* Label_progress = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
};

// Returns after `ms` milliseconds; window events are handled meanwhile.
void Wait_Letting_Events_Run(int32_t ms);
