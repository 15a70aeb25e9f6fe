#pragma once
// The audit trail of a heat's result: a text file beside the recording ("<recording>.audit"),
// one line per change in the order made. Each line carries the SHA-256 of the line before it and
// of its own text, so an entry removed or edited breaks the chain at that entry. The recording's
// header names the trail's last entry (its head), which finds an entry cut off the end.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

// One value of the result before and after a change.
struct Audit_Change {
  QString what;
  QString old_value;
  QString new_value;
};

// The end of a chain: how many entries it holds and the hash of the last (64 zeros for none).
struct Audit_Head {
  int32_t count = 0;
  QByteArray hash = QByteArray(64, '0');
  bool operator==(const Audit_Head&) const = default;
};
// "<count>:<hash>", as the header stores it.
QString Audit_Head_Text(const Audit_Head& head);
std::optional<Audit_Head> Parse_Audit_Head(const QString& text);

QString Audit_Trail_Path(const QString& recording_path);

// The lines of one entry per change, chained after `head`, which moves to the last of them.
// `command` names what the operator did; `when` is the local time of day it was done.
QByteArray Audit_Lines(Audit_Head& head, const QDateTime& when, const QString& command,
                       const std::vector<Audit_Change>& changes);

struct Audit_Entry {
  int32_t n = 0;
  QString time;
  QString command;
  QString what;
  QString old_value;
  QString new_value;
  QByteArray hash; // the entry's own, as stored
};

struct Audit_Check {
  std::vector<Audit_Entry> entries; // every readable entry, in file order
  Audit_Head head;                  // after the last readable entry, as stored
  int32_t break_at = 0;             // the first entry where the chain breaks; 0 when it holds
  QString why;
  bool holds() const { return break_at == 0; }
};
// Checks a trail's bytes against themselves and, when the recording names one, its head.
Audit_Check Check_Audit_Trail(const QByteArray& trail, const std::optional<Audit_Head>& named_head);

// The trail is written before the header that names its new head. A change cut short between the
// two leaves a trail that holds, one change (entries of one command at one time) past the head
// the recording names: the entries of that change, first and last, else nullopt. `whole` is the
// trail checked without a head.
struct Entry_Range {
  int32_t first = 0;
  int32_t last = 0;
  bool operator==(const Entry_Range&) const = default;
};
std::optional<Entry_Range> Interrupted_Change(const Audit_Check& whole, const Audit_Head& named_head);

// The entry a later change writes first after such a cut: the range never reached the recording.
inline const QString Interrupted_What = QStringLiteral("interrupted change");
Audit_Change Interrupted_Marker(const Entry_Range& range);
// The range a marker entry names; nullopt for every other entry.
std::optional<Entry_Range> Marked_Range(const Audit_Entry& entry);

// The trail file's bytes; empty when there is none. Throws Dora_Error when it cannot be read, is
// no plain file or is too large to be a trail.
QByteArray Read_Audit_Trail(const QString& path);
