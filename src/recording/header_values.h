#pragma once
// Values read from a recording's header document, which may be damaged: a missing or unreadable
// element gives the fallback, so a damaged header still opens with whatever frames the file holds.
#include <QString>
#include <cstdint>
#include <exception>
#include <functional>

namespace header_values {

inline QString Text(const std::function<QString()>& read, const QString& fallback = {}) {
  try {
    return read();
  } catch (const std::exception&) {
    return fallback;
  }
}

inline bool Flag(const std::function<bool()>& read) {
  try {
    return read();
  } catch (const std::exception&) {
    return false;
  }
}

// The number the element holds, or `fallback` when it is missing or not a number.
inline int64_t Number(const std::function<QString()>& read, int64_t fallback = 0) {
  bool ok = false;
  const int64_t value = Text(read).trimmed().toLongLong(&ok);
  return ok ? value : fallback;
}

} // namespace header_values
