#pragma once
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <concepts>
#include <string>
#include <string_view>
#include <vector>

// The trace channel: one line per call, sent to an external viewer when one was listening at
// the first call of the run. Never reports a failure to its caller.

namespace trace_detail {

inline void append(QString& out, const QString& v) {
  out += v;
  out += QLatin1Char('\t');
}
inline void append(QString& out, const char* v) { append(out, QString::fromUtf8(v)); }
inline void append(QString& out, std::string_view v) {
  append(out, QString::fromUtf8(v.data(), static_cast<qsizetype>(v.size())));
}
inline void append(QString& out, const std::string& v) { append(out, std::string_view(v)); }
inline void append(QString& out, bool v) { append(out, v ? QStringLiteral("True") : QStringLiteral("False")); }
template <std::integral T>
requires(!std::same_as<T, bool> && !std::same_as<T, char>) void append(QString& out, T v) {
  append(out, QString::number(v));
}
inline void append(QString& out, double v) { append(out, QString::number(v, 'g', 15)); }
inline void append(QString& out, const QDateTime& v) { append(out, v.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))); }
inline void append(QString& out, const QStringList& v) {
  for (const auto& e : v)
    append(out, e);
}
template <class T> void append(QString& out, const std::vector<T>& v) {
  for (const auto& e : v)
    append(out, e);
}
template <class T, std::size_t N>
requires(!std::same_as<T, char>) void append(QString& out, const T (&v)[N]) {
  for (const auto& e : v)
    append(out, e);
}

} // namespace trace_detail

// The message text of a trace call: every value's text followed by a tab.
template <class... T> QString Trace_Message_Text(const T&... values) {
  QString msg;
  (trace_detail::append(msg, values), ...);
  return msg;
}

// Whether a viewer was found; the search is made once, at the first call of the run.
bool Trace_Window_Present();
// The full line for a message text, in the viewer's format.
QString Trace_Line(const QString& message);
// Sends a finished message text (no-op without a viewer).
void Send_Trace(const QString& message);

template <class... T> void Trace_Message(const T&... values) {
  if (!Trace_Window_Present()) return;
  Send_Trace(Trace_Message_Text(values...));
}

inline void Trace_Text(const QString& text) { Trace_Message(text); }

// Where the viewer listens: $XDG_RUNTIME_DIR/doravent-trace, else /tmp/doravent-trace-$UID.
QString Trace_Socket_Path();
// Forgets the search so a test can look again (never called by the program itself).
void Reset_Trace_Search_For_Tests();
