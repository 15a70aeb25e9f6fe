#pragma once
#include <QString>
#include <cstdint>
#include <exception>
#include <stdexcept>
#include <vector>

// A failure with the system's error number (6 overflow, 9 subscript, 11 division by zero,
// 13 type mismatch, 53 file not found, 75 path/file access, ...).
class Dora_Error : public std::runtime_error {
public:
  Dora_Error(int16_t number, const QString& description)
      : std::runtime_error(description.toStdString()), number_(number) {}
  int16_t number() const noexcept { return number_; }

private:
  int16_t number_;
};

// Where reports go: the error window installs itself; until then reports are traced and
// printed on standard error.
class Error_Sink {
public:
  virtual ~Error_Sink() = default;
  virtual void QNV_Error_Handler(const QString& description, int16_t number, int32_t line, const QString& location,
                                 const QString& extra) = 0;
};

// The caller keeps ownership; nullptr restores the default.
void install_error_sink(Error_Sink* sink);

void QNV_Error_Handler(const QString& description, int16_t number, int32_t line, const QString& location,
                       const QString& extra = {});

// While one is alive, reports are kept and reach the sink, in order, when the last one ends:
// the error window runs the event loop, which must not run while worker threads read frames a
// camera event could add to or free.
class Error_Reports_Held {
public:
  Error_Reports_Held();
  ~Error_Reports_Held();
  Error_Reports_Held(const Error_Reports_Held&) = delete;
  Error_Reports_Held& operator=(const Error_Reports_Held&) = delete;
};

// A report as it was made, for the user interface thread to show later.
struct Error_Report {
  QString description;
  int16_t number = 0;
  int32_t line = 0;
  QString location;
  QString extra;
};

// On a worker thread: while one is alive, that thread's reports are kept in it rather than
// refused, for the user interface thread to show (Show_Error_Reports).
class Error_Reports_Collected {
public:
  Error_Reports_Collected();
  ~Error_Reports_Collected();
  Error_Reports_Collected(const Error_Reports_Collected&) = delete;
  Error_Reports_Collected& operator=(const Error_Reports_Collected&) = delete;
  std::vector<Error_Report> Take();

private:
  friend void QNV_Error_Handler(const QString&, int16_t, int32_t, const QString&, const QString&);
  std::vector<Error_Report> reports_;
  Error_Reports_Collected* outer_;
};

// On the user interface thread: each report, in order, as if it were made now.
void Show_Error_Reports(const std::vector<Error_Report>& reports);

// Description and number of a caught exception.
struct Error_Info {
  QString description;
  int16_t number = 0;
};
Error_Info describe_exception(const std::exception_ptr& failure);

// Reports the exception being handled; call only inside a catch block.
void report_current_exception(int32_t line, const QString& location, const QString& extra = {});
