#include "app/key_filter.h"

#include "app/main_window_state.h"
#include "platform/key_codes.h"
#include "platform/trace.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSlider>

App_Key_Filter::App_Key_Filter(QWidget& window, QSlider& slider, Main_Window_State& view)
    : window_(window), slider_(slider), view_(view) {
  if (qApp) qApp->installEventFilter(this);
}

App_Key_Filter::~App_Key_Filter() {
  if (qApp) qApp->removeEventFilter(this);
}

void App_Key_Filter::Install_Hook() {
  Trace_Message("*Before InstallHook");
  hooked_ = true;
  Trace_Message("*After InstallHook");
}

void App_Key_Filter::Remove_Hook() { hooked_ = false; }

bool App_Key_Filter::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if ((type == QEvent::KeyPress || type == QEvent::KeyRelease) &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && !static_cast<QKeyEvent*>(event)->isAutoRepeat())
    view_.Escape_Down = type == QEvent::KeyPress;
  if (type == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const int32_t code = Windows_Key_Code(key->key(), key->modifiers());
    // A key that no widget takes travels up to the parents and passes here once for each; the
    // hook's own gap lets only the first through.
    if (hooked_) Q_EMIT hook_key(code, key->modifiers());
    if (watched == &slider_) {
      bool taken = false;
      Q_EMIT slider_key(code, key->modifiers(), hooked_, taken);
      if (taken) return true;
    }
    if (!hooked_) {
      auto* widget = qobject_cast<QWidget*>(watched);
      QWidget* focus = QApplication::focusWidget();
      if (widget && widget->window() == &window_ && (widget == focus || (!focus && widget == &window_)))
        Q_EMIT form_key(code);
    }
  } else if (watched == &slider_) {
    if (type == QEvent::MouseButtonPress) {
      bool taken = false;
      Q_EMIT slider_press(static_cast<QMouseEvent*>(event)->position().x(), taken);
      if (taken) return true;
    } else if (type == QEvent::MouseButtonRelease) {
      Q_EMIT slider_release();
    }
  }
  return QObject::eventFilter(watched, event);
}
