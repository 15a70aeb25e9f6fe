#pragma once
#include <QString>
#include <cstdint>
#include <exception>
#include <stdexcept>

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

// Description and number of a caught exception.
struct Error_Info {
  QString description;
  int16_t number = 0;
};
Error_Info describe_exception(const std::exception_ptr& failure);

// Reports the exception being handled; call only inside a catch block.
void report_current_exception(int32_t line, const QString& location, const QString& extra = {});
