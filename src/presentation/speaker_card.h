#pragma once
// The speaker card: one heat of the event file as a card for the race announcer, printed as an
// image of itself.
#include "presentation/event_print.h"

#include <QMainWindow>
#include <array>
#include <cstdint>

class QAction;
class QGroupBox;
class QLabel;
class Page_Surface;

// What "Make speaker card" copies from the event window.
struct Speaker_Card_Data {
  QString event_name;
  QString heat_number;
  QString heat_name;
  QString start_time;
  QString length;
  std::array<QString, 6> dog_names; // boxes 1 to 6
};

class Form_Doravent_SpeakerCard : public QMainWindow {
  Q_OBJECT
public:
  explicit Form_Doravent_SpeakerCard(QWidget* owner = nullptr);
  ~Form_Doravent_SpeakerCard() override;

  void Show_Card(const Speaker_Card_Data& card);

  // "Print": the window print with "Printing spkr card on".
  void item_print_Click();
  // The card's own print command: the whole card 300 twips from the left and 1200 from the top.
  void Print_Me(Page_Surface& page);
  void set_Print_Waits(Window_Print_Waits waits) { print_waits_ = waits; }

  QAction* item(const QString& name) const;

  // Named controls.
  QLabel* Label_event = nullptr;
  QLabel* Label_heat_num = nullptr;
  QLabel* Label_heat_name = nullptr;
  QLabel* Label_start = nullptr;
  QLabel* Label_length = nullptr;
  QGroupBox* Frame_dogs = nullptr;
  std::array<QLabel*, 6> Picture_box{};
  std::array<QLabel*, 6> Label_dog_name{};
  QLabel* Picture1 = nullptr;

private:
  void build_controls();
  void report(int32_t step, const QString& handler);

  Window_Print_Waits print_waits_;
  std::vector<QAction*> items_;
};
