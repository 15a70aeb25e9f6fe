#pragma once
// The audit trail held against the recording it belongs to: the trail is replayed, each entry
// setting one value of the result, and the values it ends with are compared with the header's,
// field by field. A chain that holds but ends elsewhere than the header, a header value the trail
// did not set, a recording with results and no trail, or a trail without the head the recording
// must name are all reported, by field and entry. A change cut short between the trail and the
// header is told apart: it is an interrupted change, not a change by hand.
#include "recording/audit_trail.h"

#include <QByteArray>
#include <QString>

class Cls_XML_header;

enum class Audit_Status {
  Holds,         // the trail holds and the header has its values
  Empty,         // no trail and nothing to follow: no result was ever entered
  Interrupted,   // the trail holds one change past the header: a change cut short
  Broken,        // the chain breaks, or cannot be read
  Mismatch,      // the chain holds, the header does not have its values
  Missing_Trail, // the recording holds results but there is no trail
  Missing_Head,  // the trail has entries but the recording names no head
};

struct Audit_Verdict {
  Audit_Status status = Audit_Status::Empty;
  QString text;      // one line for the operator, naming the field and the entry
  QString field;     // the value that does not match, when one does not
  int32_t entry = 0; // the entry concerned (0: none)
  Audit_Check chain; // the entries as read, for listing
  Entry_Range interrupted;
  bool checked = false; // false: nothing was checked (no recording open)
  // A trail that holds and matches, or there is nothing to follow.
  bool Sound() const { return status == Audit_Status::Holds || status == Audit_Status::Empty; }
  // What refuses a declaration: everything but a sound trail and an interrupted change, which the
  // next change closes.
  bool Refuses_Declaration() const { return checked && !Sound() && status != Audit_Status::Interrupted; }
  // doravent-qn3 audit: 0 sound, 2 interrupted, 1 otherwise.
  int Exit_Status() const;
};

// `trail` is the trail file's bytes (empty: none).
Audit_Verdict Check_Audit(const QByteArray& trail, const Cls_XML_header& header);
// The same for the recording at `path` and its header: the trail is read beside it. A trail that
// cannot be read is Broken.
Audit_Verdict Check_Recording_Audit(const QString& path, const Cls_XML_header& header);
