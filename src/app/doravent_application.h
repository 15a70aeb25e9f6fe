#pragma once
#include <QApplication>

// Catches, at the top of the event loop, any failure no procedure caught and reports it in the
// error window: the program never dies of it.
class Doravent_Application : public QApplication {
public:
  Doravent_Application(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};
