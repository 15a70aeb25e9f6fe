#pragma once
#include "platform/error_report.h"

#include <QString>
#include <functional>
#include <vector>

// Collects error reports for the lifetime of the object instead of showing the error window.
class Recorded_Errors final : public Error_Sink {
public:
  struct Report {
    QString description;
    int16_t number;
    int32_t line;
    QString location;
    QString extra;
  };

  Recorded_Errors() { install_error_sink(this); }
  ~Recorded_Errors() override { install_error_sink(nullptr); }
  Recorded_Errors(const Recorded_Errors&) = delete;
  Recorded_Errors& operator=(const Recorded_Errors&) = delete;

  void QNV_Error_Handler(const QString& description, int16_t number, int32_t line, const QString& location,
                         const QString& extra) override {
    reports.push_back({description, number, line, location, extra});
    if (on_report) on_report();
  }

  std::vector<Report> reports;
  // Called as each report arrives, to see what state it arrives in.
  std::function<void()> on_report;
};
