#pragma once
// The simulated kit's window (--simulated-kit): the six inputs as switches, the LED the program
// drives, and the kit's cable (attach, detach).
#include <QStringList>
#include <QWidget>
#include <array>
#include <cstdint>

class QCheckBox;
class QLabel;
class QPushButton;
class Simulated_Kit;

// The on-screen LED: yellow while lit, grey otherwise.
class Simulated_LED : public QWidget {
  Q_OBJECT
public:
  explicit Simulated_LED(QWidget* parent = nullptr);
  void set_Lit(bool lit);
  bool Lit() const { return lit_; }
  QSize sizeHint() const override { return {36, 36}; }

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  bool lit_ = false;
};

class Simulated_Kit_Form : public QWidget {
  Q_OBJECT
public:
  // The kit stays the caller's and must outlive the window.
  explicit Simulated_Kit_Form(Simulated_Kit& kit, QWidget* owner = nullptr);
  ~Simulated_Kit_Form() override;

  // The switches' captions, input 0 to 5.
  static QStringList Input_Captions();

  std::array<QCheckBox*, 6> Check_input{};
  Simulated_LED* Picture_sim_LED = nullptr;
  QPushButton* Command_attach = nullptr;
  QPushButton* Command_detach = nullptr;
  QLabel* Label_sim_attached = nullptr;

private:
  void refresh();

  Simulated_Kit& kit_;
};
