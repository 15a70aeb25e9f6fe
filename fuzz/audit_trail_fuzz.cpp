// An audit trail of arbitrary bytes and the head its recording names, checked as
// "doravent-qn3 audit" and the results window check it. A trail whose chain holds still holds
// after the next change is appended, and breaks when any one of its bytes is changed.
//
// Input: the named head's text up to the first line end (empty: the recording names none),
// one byte choosing the byte to change, then the trail.
#include "fuzz_support.h"

#include "recording/audit_trail.h"

#include <QDateTime>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  fuzz::Start(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const qsizetype line_end = bytes.indexOf('\n');
  const QByteArray head_text = line_end < 0 ? bytes : bytes.left(line_end);
  const QByteArray rest = line_end < 0 ? QByteArray() : bytes.mid(line_end + 1);
  const auto changed_at = static_cast<uint8_t>(rest.isEmpty() ? 0 : rest.at(0));
  const QByteArray trail = rest.mid(1);
  const std::optional<Audit_Head> named =
      head_text.isEmpty() ? std::nullopt : Parse_Audit_Head(QString::fromLatin1(head_text));

  const Audit_Check check = Check_Audit_Trail(trail, named);
  fuzz::Check(check.holds() == check.why.isEmpty(), "a broken chain says why");
  fuzz::Check(check.break_at >= 0, "a break is at an entry");
  if (!check.holds()) return 0;
  const auto count = static_cast<int32_t>(check.entries.size());
  fuzz::Check(check.head.count == count, "a holding chain's head counts its entries");
  if (named) fuzz::Check(*named == check.head || count == 0, "a holding chain ends where the recording says");

  Audit_Head head = check.head;
  const QByteArray next = Audit_Lines(head, QDateTime(QDate(2024, 6, 1), QTime(12, 0)), QStringLiteral("Box 1"),
                                      {{QStringLiteral("box 1 time"), QStringLiteral("1,00"), QStringLiteral("2,00")},
                                       {QStringLiteral("box 1 frame"), QString(), QStringLiteral("\"\\\n")}});
  const Audit_Check extended = Check_Audit_Trail(trail + next, head);
  fuzz::Check(extended.holds(), "a holding chain holds with the next change");
  fuzz::Check(static_cast<int32_t>(extended.entries.size()) == count + 2 && extended.head == head,
              "the next change's entries end the chain");

  if (!trail.isEmpty()) {
    QByteArray tampered = trail;
    const qsizetype at = changed_at % tampered.size();
    tampered[at] = static_cast<char>(tampered.at(at) ^ 0x01);
    fuzz::Check(!Check_Audit_Trail(tampered, check.head).holds(), "a changed byte breaks the chain");
  }
  return 0;
}
