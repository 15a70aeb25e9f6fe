#pragma once
// The one application-wide event filter: the keyboard hook of the goal line (outside development
// mode), the slider's keys and mouse, and the window's key preview.
#include <QObject>
#include <Qt>
#include <cstdint>
#include <functional>

class Form_Doravent;
class QEvent;

class App_Key_Filter : public QObject {
public:
  struct Links {
    // The hook's handling of every key (the goal line's IWindowsHook_HookProc).
    std::function<void(int32_t keycode, Qt::KeyboardModifiers modifiers)> hook_key;
    // The slider's own handlers; true when the event was taken.
    std::function<bool(int32_t keycode, Qt::KeyboardModifiers modifiers)> slider_key;
    std::function<bool(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, double x, double y)> slider_press;
    std::function<void()> slider_release;
    // The window's key preview, used when no hook is installed.
    std::function<void(int32_t keycode)> form_key;
  };

  explicit App_Key_Filter(Form_Doravent& window);
  ~App_Key_Filter() override;
  App_Key_Filter(const App_Key_Filter&) = delete;
  App_Key_Filter& operator=(const App_Key_Filter&) = delete;

  Links& links() { return links_; }

  // The keyboard hook: traces "*Before InstallHook" and "*After InstallHook".
  void Install_Hook();
  void Remove_Hook();
  bool Hook_Installed() const { return hooked_; }
  // The Escape key is held down (the frame handler's abort check).
  bool Escape_Down() const { return escape_down_; }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  Form_Doravent& w_;
  Links links_;
  bool hooked_ = false;
  bool escape_down_ = false;
};
