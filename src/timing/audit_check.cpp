#include "timing/audit_check.h"

#include "metadata/xml_header.h"
#include "timing/declaration.h"
#include "timing/result_change.h"

#include <map>
#include <optional>
#include <set>

namespace {

// What a value holds before any change of the result: times and marks are entered only through
// audited changes. Names come with the recording, so only the trail's own say is compared.
std::optional<QString> Unchanged_Text(const Result_Value& value) {
  if (value.what == QLatin1String("result state")) return QStringLiteral("Provisional");
  // The start is stamped by the heat, not by a result change; only its recovery is audited.
  if (value.what == QLatin1String("start")) return std::nullopt;
  if (!value.timing) return std::nullopt;
  return value.what.endsWith(QLatin1String("dead heat")) ? QStringLiteral("no") : Audit_Time_Text(0);
}

QString entry_name(int32_t n) { return QStringLiteral("entry ") + QString::number(n); }

struct Replayed {
  QString text;
  int32_t entry = 0;
};

// The values the entries leave, leaving out those a later entry marks as never written.
std::map<QString, Replayed> Replay(const std::vector<Audit_Entry>& entries, int32_t upto) {
  std::set<int32_t> voided;
  for (const Audit_Entry& e : entries)
    if (e.n <= upto)
      if (const auto range = Marked_Range(e))
        for (int32_t n = range->first; n <= range->last; ++n)
          voided.insert(n);
  std::map<QString, Replayed> values;
  for (const Audit_Entry& e : entries) {
    if (e.n > upto || voided.count(e.n) != 0 || Marked_Range(e) || e.what == QLatin1String("nothing changed")) continue;
    values[e.what] = {e.new_value, e.n};
  }
  return values;
}

// The first value of the header that the replay does not end with.
bool Compare(const std::vector<Result_Value>& header, const std::map<QString, Replayed>& replay, Audit_Verdict& v) {
  for (const Result_Value& value : header) {
    const auto it = replay.find(value.what);
    if (it != replay.end()) {
      if (it->second.text == value.text) continue;
      v.status = Audit_Status::Mismatch;
      v.field = value.what;
      v.entry = it->second.entry;
      v.text = QStringLiteral("the trail does not match the recording: ") + value.what + QStringLiteral(" is ") +
               value.text + QStringLiteral(" in the recording, but ") + entry_name(it->second.entry) +
               QStringLiteral(" set it to ") + it->second.text;
      return false;
    }
    const std::optional<QString> unchanged = Unchanged_Text(value);
    if (!unchanged || value.text == *unchanged) continue;
    v.status = Audit_Status::Mismatch;
    v.field = value.what;
    v.text = QStringLiteral("the trail does not match the recording: ") + value.what + QStringLiteral(" is ") +
             value.text + QStringLiteral(" in the recording, but no entry of the trail set it");
    return false;
  }
  return true;
}

// The first value that says the recording holds a result.
const Result_Value* First_Result(const std::vector<Result_Value>& header) {
  for (const Result_Value& value : header) {
    const std::optional<QString> unchanged = Unchanged_Text(value);
    if (unchanged && value.text != *unchanged) return &value;
  }
  return nullptr;
}

} // namespace

int Audit_Verdict::Exit_Status() const {
  if (Sound()) return 0;
  return status == Audit_Status::Interrupted ? 2 : 1;
}

Audit_Verdict Check_Audit(const QByteArray& trail, const Cls_XML_header& header) {
  Audit_Verdict v;
  v.checked = true;
  const std::vector<Result_Value> values = Read_Result_Values(header);
  const QString head_text = header.Dora_Audit_Head();
  const std::optional<Audit_Head> named = Parse_Audit_Head(head_text);
  const Audit_Check whole = Check_Audit_Trail(trail, std::nullopt);
  v.chain = named ? Check_Audit_Trail(trail, named) : whole;
  const auto count = static_cast<int32_t>(whole.entries.size());

  if (!head_text.trimmed().isEmpty() && !named) {
    v.status = Audit_Status::Broken;
    v.text = QStringLiteral("the recording's audit head is damaged: ") + head_text;
    return v;
  }
  if (trail.isEmpty()) {
    if (named && named->count > 0) {
      v.status = Audit_Status::Broken;
      v.entry = 1;
      v.text = QStringLiteral("the chain breaks at entry 1: ") + v.chain.why;
    } else if (const Result_Value* result = First_Result(values)) {
      v.status = Audit_Status::Missing_Trail;
      v.field = result->what;
      v.text = QStringLiteral("the recording holds results but has no audit trail: ") + result->what +
               QStringLiteral(" is ") + result->text;
    } else {
      v.status = Audit_Status::Empty;
      v.text = QStringLiteral("no entries: no change of the result was recorded");
    }
    return v;
  }
  if (!whole.holds()) {
    v.status = Audit_Status::Broken;
    v.entry = whole.break_at;
    v.text = QStringLiteral("the chain breaks at entry ") + QString::number(whole.break_at) + QStringLiteral(": ") +
             whole.why;
    return v;
  }
  if (!named) {
    v.status = Audit_Status::Missing_Head;
    v.text = QStringLiteral("the recording names no audit head (dora_audit_head is missing), but its trail holds ") +
             QString::number(count) + QStringLiteral(" entries");
    return v;
  }
  int32_t upto = count;
  if (!v.chain.holds()) {
    const std::optional<Entry_Range> cut = Interrupted_Change(whole, *named);
    if (!cut) {
      v.status = Audit_Status::Broken;
      v.entry = v.chain.break_at;
      v.text = QStringLiteral("the chain breaks at entry ") + QString::number(v.chain.break_at) + QStringLiteral(": ") +
               v.chain.why;
      return v;
    }
    v.interrupted = *cut;
    upto = named->count;
  }
  if (!Compare(values, Replay(whole.entries, upto), v)) return v;
  if (const QString why = Declaration_Fault(header); !why.isEmpty()) {
    v.status = Audit_Status::Mismatch;
    v.field = QStringLiteral("declaration");
    v.text = QStringLiteral("the declaration does not match the recording: ") + why;
    return v;
  }
  if (upto < count) {
    const Audit_Entry& first = whole.entries.at(static_cast<size_t>(upto));
    v.status = Audit_Status::Interrupted;
    v.entry = v.interrupted.first;
    v.text = QStringLiteral("interrupted change: ") + entry_name(v.interrupted.first) +
             (v.interrupted.last > v.interrupted.first ? QStringLiteral(" to ") + QString::number(v.interrupted.last)
                                                       : QString()) +
             QStringLiteral(" (") + first.command +
             QStringLiteral(") reached the trail but not the recording; the recording holds the result before it");
    return v;
  }
  v.status = Audit_Status::Holds;
  v.text = QStringLiteral("the chain holds: ") + QString::number(count) + QStringLiteral(" entries");
  return v;
}

Audit_Verdict Check_Recording_Audit(const QString& path, const Cls_XML_header& header) {
  try {
    return Check_Audit(Read_Audit_Trail(Audit_Trail_Path(path)), header);
  } catch (const std::exception& failure) {
    Audit_Verdict v;
    v.checked = true;
    v.status = Audit_Status::Broken;
    v.text = QStringLiteral("the audit trail cannot be read: ") + QString::fromStdString(failure.what());
    return v;
  }
}
