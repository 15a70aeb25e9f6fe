#pragma once
// The interface kit on the main window: finding it at start-up, its attach, detach and input
// events turned into the heat's commands, the LED following the start contact, and the "Control
// Box" lamps, switch and LED.
#include "app/main_window_controls.h"
#include "kit/interface_kit.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

class QEvent;
class Simulated_Kit;
class Simulated_Kit_Form;

struct Start_Stamp;

class Kit_Controller : public QObject, public Interface_Kit_Events, private Window_Binding {
  Q_OBJECT
public:
  explicit Kit_Controller(const Main_Window_Parts& parts);
  ~Kit_Controller() override;
  Kit_Controller(const Kit_Controller&) = delete;
  Kit_Controller& operator=(const Kit_Controller&) = delete;

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
  void OnInputChange(int32_t index, bool new_state, const Kit_Stamp& stamp) override;

  void Check_Attached();
  // The heat's state changed: the Control Box follows the cameras.
  void Heat_State_Changed();
  void Draw_Start_Switch(bool armed);
  void Update_LED();
  void draw_LED();
  // Output 0 on for two seconds, without letting window events run meanwhile.
  void item_Blink_LED_Click();
  void Picture_LED_MouseDown();
  void Picture_LED_MouseUp();
  bool LED_Pressed() const { return led_pressed_; }
  // When the kit last attached (the program clock).
  int32_t Attached_Mill() const { return attached_mill_; }

Q_SIGNALS:
  // What the inputs drive: the heat's start signal, and a camera trigger closing and opening.
  void start_signal(const Start_Stamp& stamp);
  void capture_start();
  void capture_end();

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  bool input(int32_t index) const;
  void set_LED(bool on);
  void report(int32_t step, const char* procedure);

  std::unique_ptr<Interface_Kit> kit_;
  Simulated_Kit* simulated_ = nullptr; // the kit_ itself when simulated
  std::unique_ptr<Simulated_Kit_Form> simulated_form_;
  bool present_ = false;
  bool led_pressed_ = false;
  bool cameras_seen_ = false;
  int32_t attached_mill_ = 0;
  int32_t open_wait_ms_ = 1000;
};
