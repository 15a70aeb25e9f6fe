#pragma once
#include <QString>
#include <cstdint>

// Program-wide values, set once at start-up and read everywhere (error reports, headers).
struct Program_Info {
  QString Program_Name = QStringLiteral("Doravent_HDMI");
  QString Program_Version = QStringLiteral(DORAVENT_VERSION);
  QString Computer_Name;
  QString Local_AppData_Folder; // with trailing '/'
  QString Settings_File_Path;
  QString Event_Files_Folder;
  QString App_Path;     // folder of the program file
  QString Program_File; // full path of the program file
  QString Processor_Description;
  QString Memory_Total;
  QString Windows_Version; // operating-system description
  QString CPU_Bitness = QStringLiteral("N/A");
  QString OS_Bitness = QStringLiteral("N/A");
  int32_t Program_Start_Mill = 0;
  int32_t Ready_Mill = 0;
  bool Development_Mode = false;
  bool Ending = false;
  int32_t Box_Delay_Ms = 0;
  int32_t Goal_Delay_Ms = 200;
  int32_t Split_Delay_Ms = 200;
};

Program_Info& program();
