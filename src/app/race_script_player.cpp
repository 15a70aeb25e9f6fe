#include "app/race_script_player.h"

#include "kit/simulated_kit.h"
#include "platform/clock.h"
#include "platform/trace.h"

#include <QAction>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

Race_Script_Player::Race_Script_Player(Main_Window_Controls& ui, Simulated_Kit& kit, std::vector<Race_Command> commands)
    : ui_(ui), kit_(kit), commands_(std::move(commands)) {}

Race_Script_Player::~Race_Script_Player() = default;

void Race_Script_Player::Play(int32_t attached_mill) {
  if (playing_) return;
  playing_ = true;
  const int32_t now = Mill_Now();
  for (const Race_Command& c : commands_) {
    const auto due = static_cast<int32_t>(static_cast<uint32_t>(attached_mill) + static_cast<uint32_t>(c.at_ms));
    if (c.action == Race_Action::Input) {
      kit_.Schedule_Switch(due, c.input, c.closed);
      continue;
    }
    // Precise: a coarse timer may fire a long wait early, before the kit changes due before it.
    QTimer::singleShot(std::max(0, Mill_Difference(due, now)), Qt::PreciseTimer, this, [this, c] { Run(c); });
  }
}

void Race_Script_Player::Run(const Race_Command& c) {
  Trace_Message(QStringLiteral("*Race script, line"), c.line);
  switch (c.action) {
  case Race_Action::Camera: ui_.Command_start_camera->click(); break;
  case Race_Action::Initiate: ui_.Command_initiate_file->click(); break;
  case Race_Action::Finish: ui_.Command_finish->click(); break;
  case Race_Action::Open_Last: ui_.item(QStringLiteral("item_last_heat"))->trigger(); break;
  case Race_Action::Quit: ui_.item(QStringLiteral("item_Exit"))->trigger(); break;
  case Race_Action::Input: break; // raised by the kit
  }
}
