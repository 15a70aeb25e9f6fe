#include "app/key_filter.h"

#include "app/form_doravent.h"
#include "platform/key_codes.h"
#include "platform/trace.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSlider>

App_Key_Filter::App_Key_Filter(Form_Doravent& window) : w_(window) {
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
    escape_down_ = type == QEvent::KeyPress;
  if (type == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const int32_t code = Windows_Key_Code(key->key(), key->modifiers());
    // A key that no widget takes travels up to the parents and passes here once for each; the
    // hook's own gap lets only the first through.
    if (hooked_ && links_.hook_key) links_.hook_key(code, key->modifiers());
    if (watched == w_.Slider_play && links_.slider_key && links_.slider_key(code, key->modifiers())) return true;
    if (!hooked_ && links_.form_key) {
      auto* widget = qobject_cast<QWidget*>(watched);
      QWidget* focus = QApplication::focusWidget();
      if (widget && widget->window() == &w_ && (widget == focus || (!focus && widget == &w_))) links_.form_key(code);
    }
  } else if (watched == w_.Slider_play) {
    if (type == QEvent::MouseButtonPress && links_.slider_press) {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      if (links_.slider_press(mouse->buttons(), mouse->modifiers(), mouse->position().x(), mouse->position().y()))
        return true;
    } else if (type == QEvent::MouseButtonRelease && links_.slider_release) {
      links_.slider_release();
    }
  }
  return QObject::eventFilter(watched, event);
}
