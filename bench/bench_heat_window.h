#pragma once
// The main window as the heat benchmarks drive it: the synthetic camera as the saved source,
// recordings into `folder`, the simulated kit, no waits, started up.
#include "app/form_doravent.h"
#include "app/heat_controller.h"
#include "app/kit_controller.h"
#include "app/review_controller.h"
#include "platform/program_info.h"
#include "platform/settings.h"
#include "platform/user_folders.h"
#include "timing/heat_session.h"
#include "timing/review_session.h"

#include <QFile>
#include <memory>

inline std::unique_ptr<Form_Doravent> Bench_Heat_Window(const QString& folder) {
  program().Settings_File_Path = Local_AppData_Folder() + QStringLiteral("Doravent_HDMI.ini");
  const QString ini = program().Settings_File_Path;
  Write_Ini_Value(QStringLiteral("capturesettings"), QStringLiteral("friendlyname"), QStringLiteral("Synthetic camera"),
                  ini);
  Write_Ini_Value(QStringLiteral("capturesettings"), QStringLiteral("videoproperty"), QStringLiteral("0"), ini);
  Write_Ini_Value(QStringLiteral("Settings"), QStringLiteral("save_folder"), folder, ini);
  Form_Doravent::Options options;
  options.simulated_kit = true;
  options.end_program = [](int) {};
  auto w = std::make_unique<Form_Doravent>(options);
  w->kit().set_Open_Wait_Ms(0);
  w->heat_session().set_Append_Wait_Ms(0);
  w->review().set_Open_Wait_Ms(0);
  w->Form_Load();
  return w;
}

// The process's resident memory (VmRSS), in kB; -1 when it cannot be read.
inline long Resident_Kb() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
  return -1;
}
