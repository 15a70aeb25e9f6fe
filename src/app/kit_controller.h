#pragma once
// The interface kit on the main window: finding it at start-up, its attach, detach and input
// events turned into the heat's commands, the LED following the start contact, and the "Control
// Box" lamps, switch and LED.
#include "kit/interface_kit.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class Form_Doravent;
class QEvent;
class Simulated_Kit;
class Simulated_Kit_Form;

class Kit_Controller : public QObject, public Interface_Kit_Events {
public:
  // The heat lifecycle's commands the inputs drive; set where the window is wired.
  struct Links {
    std::function<void()> handle_start;
    std::function<void()> capture_start;
    std::function<void()> capture_end;
  };

  explicit Kit_Controller(Form_Doravent& window);
  ~Kit_Controller() override;
  Kit_Controller(const Kit_Controller&) = delete;
  Kit_Controller& operator=(const Kit_Controller&) = delete;

  Links& links() { return links_; }

  // Start-up: looks for the vendor library (or makes the simulated kit), opens the kit and waits
  // while it attaches, letting events run. False when there is no kit library.
  bool Check_For_Phidget(bool simulated);
  bool Present() const { return present_; }
  // The kit's serial number for a recording's header; 0 without an attached kit.
  int32_t Serial_Number() const;
  Interface_Kit* Kit() const { return kit_.get(); }
  Simulated_Kit* Simulated() const { return simulated_; }
  Simulated_Kit_Form* Simulated_Window() const { return simulated_form_.get(); }
  // The pause after opening the kit (1000 ms) in which it attaches.
  void set_Open_Wait_Ms(int32_t ms) { open_wait_ms_ = ms; }

  // The kit's events, on the user-interface thread.
  void OnAttach() override;
  void OnDetach() override;
  void OnInputChange(int32_t index, bool new_state) override;

  void Check_Attached();
  void Draw_Start_Switch(bool armed);
  void Update_LED();
  void draw_LED();
  // Output 0 on for two seconds, without letting window events run meanwhile.
  void item_Blink_LED_Click();
  void Picture_LED_MouseDown();
  void Picture_LED_MouseUp();
  bool LED_Pressed() const { return led_pressed_; }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  bool input(int32_t index) const;
  void set_LED(bool on);
  void report(int32_t step, const char* procedure);

  Form_Doravent& w_;
  Links links_;
  std::unique_ptr<Interface_Kit> kit_;
  Simulated_Kit* simulated_ = nullptr; // the kit_ itself when simulated
  std::unique_ptr<Simulated_Kit_Form> simulated_form_;
  bool present_ = false;
  bool led_pressed_ = false;
  int32_t open_wait_ms_ = 1000;
};
