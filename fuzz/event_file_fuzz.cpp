// An event file of arbitrary bytes loaded as the event window loads it, then every element the
// window reads. A loaded file saves back to bytes that load again to the same document, and a
// name written reads back, or the write fails cleanly.
#include "fuzz_support.h"

#include "metadata/event_file.h"
#include "platform/error_report.h"

#include <QStringList>
#include <cstdio>

namespace {

const char* const singles[] = {"event_name", "event_date", "event_day", "event_venue"};
const char* const heat_texts[] = {"heat_time", "heat_length", "heat_description", "heat_name"};

template <class Read> QString Value(Read read) {
  try {
    return read();
  } catch (const std::exception& failure) {
    return QStringLiteral("!") + QString::fromUtf8(failure.what());
  }
}

QStringList Every_Value(const Event_Document& doc) {
  QStringList values;
  values += doc.Is_Event() ? QStringLiteral("event") : QStringLiteral("other");
  for (const char* element : singles)
    values += Value([&] { return doc.Single(element); });
  // The first and last heats and boxes and one each side of them: every heat and box reads alike.
  for (const int16_t heat : {0, 1, 3, int{Event_Heat_Count}, Event_Heat_Count + 1}) {
    for (const char* element : heat_texts)
      values += Value([&] { return doc.Heat_Text(heat, element); });
    for (const int16_t box : {0, 1, 2, int{Event_Box_Count}, Event_Box_Count + 1})
      values += Value([&] { return doc.Dog_Name(heat, box); });
  }
  return values;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  fuzz::Start(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  Event_Document doc;
  if (doc.Load(bytes)) {
    fuzz::Check(doc.Empty(), "a failed load leaves the document as it was");
    return 0;
  }
  if (!doc.Is_Event()) {
    // Other XML: the window refuses it before reading; a read must still end cleanly.
    Value([&] { return doc.Dog_Name(1, 1); });
    return 0;
  }
  const QStringList loaded = Every_Value(doc);
  const QByteArray saved = doc.Bytes();

  Event_Document again;
  const std::optional<QString> failure = again.Load(saved);
  if (failure) {
    std::fprintf(stderr, "%s in:\n%s\n", qPrintable(*failure), saved.left(400).constData());
    fuzz::Violated("a loaded event file saves to bytes that load");
  }
  fuzz::Check_Same(saved, again.Bytes(), "a saved event file saves again to the same bytes");
  fuzz::Check_Same(loaded, Every_Value(again), "a saved event file reads the same values");

  const QString name = QStringLiteral("R\u00e9x <&> \"Ace\"");
  try {
    again.set_Dog_Name(7, 3, name);
    Event_Document written;
    fuzz::Check(!written.Load(again.Bytes()), "an edited event file loads");
    fuzz::Check(written.Dog_Name(7, 3) == name, "a written name reads back");
  } catch (const Dora_Error&) {
  }
  fuzz::Take_Error_Reports();
  return 0;
}
