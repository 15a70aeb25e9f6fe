#include "qn3_integrity.h"

#include "qn3_commands.h"
#include "recording/audit_trail.h"
#include "recording/video_file_handler.h"
#include "timing/audit_check.h"
#include "timing/declaration.h"
#include "timing/steward_key.h"

#include <QFile>
#include <QFileInfo>

namespace qn3_tool {

// The recording of a trail may be named as well as the recording.
int Audit(const QStringList& positional, QTextStream& out, QTextStream& err) {
  if (positional.size() != 1) {
    err << "doravent-qn3: audit takes one FILE\n";
    return Exit_Usage;
  }
  const QString named = positional[0];
  const QString suffix = QStringLiteral(".audit");
  const QString recording = named.endsWith(suffix) ? named.chopped(suffix.size()) : named;
  const QString trail = Audit_Trail_Path(recording);
  const auto list = [&](const Audit_Check& chain) {
    out << "audit trail " << trail << "\n";
    for (const Audit_Entry& e : chain.entries)
      out << e.n << "  " << e.time << "  " << e.command << ": " << e.what << ": " << e.old_value << " -> "
          << e.new_value << "\n";
  };
  if (!QFileInfo(recording).isFile() && QFileInfo(trail).isFile()) {
    // A trail whose recording is gone can only be held against itself.
    Audit_Check chain;
    try {
      chain = Check_Audit_Trail(Read_Audit_Trail(trail), std::nullopt);
    } catch (const std::exception& failure) {
      err << "doravent-qn3: " << failure.what() << "\n";
      return Exit_Bad_File;
    }
    list(chain);
    out << "(no recording beside the trail: it is not held against a header)\n";
    if (!chain.holds()) {
      out << "the chain breaks at entry " << chain.break_at << ": " << chain.why << "\n";
      return Exit_Bad_File;
    }
    out << "the chain holds: " << chain.entries.size() << " entries\n";
    return Exit_Ok;
  }
  cls_VideoFile_handler h;
  if (!Open_Recording(recording, h, err)) return Exit_Bad_File;
  const Audit_Verdict verdict = Check_Recording_Audit(recording, h.XML_Header());
  list(verdict.chain);
  out << verdict.text << "\n";
  return verdict.Exit_Status();
}

int Verify_Result(const QStringList& positional, const QString& public_key, QTextStream& out, QTextStream& err) {
  if (positional.size() != 1) {
    err << "doravent-qn3: verify-result takes one FILE.json\n";
    return Exit_Usage;
  }
  QString key;
  if (!public_key.isEmpty()) {
    key = Read_Public_Key(public_key);
    if (key.isEmpty()) {
      err << "doravent-qn3: not a public key (64 hex digits, or a file holding them): " << public_key << "\n";
      return Exit_Usage;
    }
  }
  const QString path = positional[0];
  QFile file(path);
  // A result file is small; a larger one is no result file, and is not read whole.
  constexpr qint64 most = 1 << 20;
  if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
    err << "doravent-qn3: file not found: " << path << "\n";
    return Exit_Bad_File;
  }
  if (file.size() > most) {
    out << "not a result file: " << path << " is too large\n";
    return Exit_Bad_File;
  }
  const Result_File_Check check = Check_Result_File(file.read(most), key);
  out << check.text << "\n";
  return check.holds ? Exit_Ok : Exit_Bad_File;
}

} // namespace qn3_tool
