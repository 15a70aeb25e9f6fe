#pragma once
// The one application-wide event filter: the keyboard hook (outside development mode), the
// slider's keys and mouse, the window's key preview, and the Escape key held down. It decides
// nothing itself: it hands each event on as a signal, and whoever binds it answers whether the
// event was taken.
#include <QObject>
#include <Qt>
#include <cstdint>

class QEvent;
class QSlider;
class QWidget;
struct Main_Window_State;

class App_Key_Filter : public QObject {
  Q_OBJECT
public:
  // `slider` gets the slider signals; `window` the key preview; `view` the Escape key's state.
  App_Key_Filter(QWidget& window, QSlider& slider, Main_Window_State& view);
  ~App_Key_Filter() override;
  App_Key_Filter(const App_Key_Filter&) = delete;
  App_Key_Filter& operator=(const App_Key_Filter&) = delete;

  // The keyboard hook: traces "*Before InstallHook" and "*After InstallHook".
  void Install_Hook();
  void Remove_Hook();
  bool Hook_Installed() const { return hooked_; }

Q_SIGNALS:
  // Every key while the hook is installed.
  void hook_key(int32_t keycode, Qt::KeyboardModifiers modifiers);
  // A key or press on the slider; `taken` set when the slider must not act on it as well.
  void slider_key(int32_t keycode, Qt::KeyboardModifiers modifiers, bool hook_installed, bool& taken);
  void slider_press(double x, bool& taken);
  void slider_release();
  // The window's key preview, used when no hook is installed.
  void form_key(int32_t keycode);

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  QWidget& window_;
  QSlider& slider_;
  Main_Window_State& view_;
  bool hooked_ = false;
};
