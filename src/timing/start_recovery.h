#pragma once
// A heat whose start contact never closed (a broken wire, an operator too late) is not lost: the
// start instant is recovered from a hand-timed run time of the winner, or from the start's time
// of day read off another clock, and the winner's crossing picture. Such a start is marked as
// recovered wherever its times go.
#include <QDate>
#include <QString>
#include <cstdint>
#include <optional>

// The picture shown when the operator recovers the start: the winner's crossing.
struct Crossing_Picture {
  int32_t capture_mill = 0;   // its stamp on the capture clock
  int32_t capture_local = 0;  // its local time of day, ms since midnight
  double field_offset_ms = 0; // the field's lag behind the stamp (the field interval for a second field)
  double compensation_ms = 0; // the goal camera's delay
  int32_t position = 0;       // slider position, for the record
  QDate date;                 // the day of the picture, for the start's date and time
};

struct Recovered_Start {
  int32_t start_mill = 0;
  int32_t start_local = 0;
  QString start_date_time; // as the header stores it; empty without the picture's date
  QString how;             // for the header, the audit trail, prints and result files
};

// `answer`: the winner's run time ("29,87", "29.87", "0:29,87") or the start's time of day
// ("14:05:09,12", hours, minutes, seconds and hundredths). nullopt with the reason when it
// cannot be read.
std::optional<Recovered_Start> Recover_Start(const QString& answer, const Crossing_Picture& winner, QString& why);
