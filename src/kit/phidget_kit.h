#pragma once
// The interface kit behind the vendor's library (libphidget22), loaded when the machine has it.
#include "kit/interface_kit.h"

#include <QString>
#include <memory>

inline const QString Phidget_Library_File = QStringLiteral("libphidget22.so.0");

struct Kit_Library_Check {
  bool present = false;
  QString version; // the library's version text when present
  QString error;   // why not, when absent
};

// Start-up's test of the vendor library: loads it with every function the kit uses and traces
// "*Check_for_Phidget OK = " True " ,version = " with its version, or "*Check_For_Phidget_Error".
Kit_Library_Check Check_For_Phidget(const QString& library_file = Phidget_Library_File);

// The kit on inputs 0-5 and output 0 of the vendor's digital channels, or nullptr with the reason
// when the library or one of its functions is missing. Its events are queued from the library's
// threads to the thread that creates it, which must run a Qt event loop.
std::unique_ptr<Interface_Kit> Create_Phidget_Kit(QString& error, const QString& library_file = Phidget_Library_File);
