#include "platform/error_report.h"

#include "platform/prompts.h"
#include "platform/trace.h"

#include <cassert>
#include <cstdio>
#include <new>
#include <vector>

namespace {
Error_Sink* sink = nullptr;

using Held_Report = Error_Report;
// Both are the user interface thread's only.
int held_depth = 0;
std::vector<Held_Report> held;
thread_local Error_Reports_Collected* collecting = nullptr;
} // namespace

void install_error_sink(Error_Sink* replacement) { sink = replacement; }

void QNV_Error_Handler(const QString& description, int16_t number, int32_t line, const QString& location,
                       const QString& extra) {
  if (collecting) {
    Trace_Message("*QNV_error_handler collected, " + QString::number(number) + "," + QString::number(line) + "," +
                  location);
    collecting->reports_.push_back({description, number, line, location, extra});
    return;
  }
  // The error window is the user interface's: reports from other threads are only traced.
  const bool here = On_User_Interface_Thread();
  assert(here && "an error report from a thread other than the user interface's");
  if (here && held_depth > 0) {
    Trace_Message("*QNV_error_handler held, " + QString::number(number) + "," + QString::number(line) + "," + location);
    held.push_back({description, number, line, location, extra});
    return;
  }
  if (sink && here) {
    sink->QNV_Error_Handler(description, number, line, location, extra);
    return;
  }
  Trace_Message("*QNV_error_handler1, " + QString::number(number) + "," + QString::number(line) + "," + location);
  std::fprintf(stderr, "error %d, %s; %s, line: %d %s\n", number, qPrintable(description), qPrintable(location), line,
               qPrintable(extra));
}

Error_Reports_Held::Error_Reports_Held() {
  if (On_User_Interface_Thread()) ++held_depth;
}

Error_Reports_Held::~Error_Reports_Held() {
  if (!On_User_Interface_Thread() || --held_depth > 0) return;
  std::vector<Held_Report> reports;
  reports.swap(held);
  try {
    for (const Held_Report& r : reports)
      QNV_Error_Handler(r.description, r.number, r.line, r.location, r.extra);
  } catch (...) {
    std::fprintf(stderr, "error reports held during a pass could not be shown\n");
  }
}

Error_Reports_Collected::Error_Reports_Collected() : outer_(collecting) { collecting = this; }

Error_Reports_Collected::~Error_Reports_Collected() {
  collecting = outer_;
  // Reports nobody took go on to whoever collects around this one.
  if (outer_) outer_->reports_.insert(outer_->reports_.end(), reports_.begin(), reports_.end());
}

std::vector<Error_Report> Error_Reports_Collected::Take() {
  std::vector<Error_Report> taken;
  taken.swap(reports_);
  return taken;
}

void Show_Error_Reports(const std::vector<Error_Report>& reports) {
  for (const Error_Report& r : reports)
    QNV_Error_Handler(r.description, r.number, r.line, r.location, r.extra);
}

Error_Info describe_exception(const std::exception_ptr& failure) {
  try {
    if (failure) std::rethrow_exception(failure);
  } catch (const Dora_Error& e) {
    return {QString::fromUtf8(e.what()), e.number()};
  } catch (const std::bad_alloc&) {
    return {QStringLiteral("Out of memory"), 7};
  } catch (const std::out_of_range& e) {
    return {QStringLiteral("Subscript out of range (%1)").arg(QString::fromUtf8(e.what())), 9};
  } catch (const std::exception& e) {
    return {QString::fromUtf8(e.what()), 5};
  } catch (...) {
    return {QStringLiteral("Unknown failure"), 5};
  }
  return {};
}

void report_current_exception(int32_t line, const QString& location, const QString& extra) {
  const Error_Info info = describe_exception(std::current_exception());
  QNV_Error_Handler(info.description, info.number, line, location, extra);
}
