// A header journal of arbitrary bytes beside a sound recording, found when the recording is
// opened. Whatever the journal holds, the frames stay untouched and all of them open; a whole
// journal of this recording becomes the header, one of another recording is set aside unused, a
// torn one is dropped, and a recording that may not be written is not changed at all.
//
// Input: one byte of choices (bit 0: sign the journal so it is whole; bit 1: the recording is
// read-only; bit 2: the journal names another recording), then the journal's header block (a
// whole one is padded with zeros to the block).
#include "fuzz_recordings.h"
#include "fuzz_support.h"

#include "metadata/xml_header.h"
#include "recording/header_journal.h"
#include "recording/video_file_handler.h"

#include <QCryptographicHash>
#include <QFile>
#include <algorithm>

namespace {

const QString recording_name = QStringLiteral("journaled.qn3");
constexpr int32_t Frames = 3;

QByteArray& Sound_Recording() {
  static QByteArray bytes;
  return bytes;
}

QByteArray File_Bytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  fuzz::Start(argc, argv);
  fuzz::Recording_Shape shape;
  shape.frames = Frames;
  Sound_Recording() = fuzz::Written_Recording(fuzz::Scratch_Folder() + recording_name, shape);
  fuzz::Check(Sound_Recording().size() > qn3::Header_Block_Size, "the writer made the recording");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input input(data, size);
  const uint8_t choices = input.Byte();
  const bool sign = (choices & 1) != 0;
  const bool read_only = (choices & 2) != 0;
  const bool foreign = (choices & 4) != 0;
  const QByteArray& sound = Sound_Recording();
  QByteArray journal = input.Rest_Bytes();
  if (sign) {
    journal = journal.left(qn3::Header_Block_Size);
    journal.append(QByteArray(qn3::Header_Block_Size - journal.size(), '\0'));
    qn3::Journal_Identity identity;
    const QByteArray frames = sound.mid(qn3::Header_Block_Size);
    identity.recording_id =
        qn3::Recording_ID_In_Block(reinterpret_cast<const uint8_t*>(sound.constData()), qn3::Header_Block_Size);
    identity.frame_length = frames.size();
    identity.anchor = QCryptographicHash::hash(frames.left(qn3::Anchor_Bytes), QCryptographicHash::Sha256);
    if (foreign) identity.recording_id = QByteArrayLiteral("00000000000000000000000000000001");
    journal = qn3::Encode_Journal(reinterpret_cast<const uint8_t*>(journal.constData()), identity);
  }
  const bool belongs = sign && !foreign;
  const QString path = fuzz::Scratch_Folder() + recording_name;
  QFile::remove(path);
  QFile::remove(qn3::Stale_Journal_Path(path));
  fuzz::Write_Scratch(recording_name, sound.constData(), static_cast<size_t>(sound.size()));
  const QString journal_path = fuzz::Write_Scratch(recording_name + QStringLiteral(".journal"), journal.constData(),
                                                   static_cast<size_t>(journal.size()));
  if (read_only) QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
  {
    cls_VideoFile_handler h;
    fuzz::Take_Messages();
    if (!h.Open_File(path)) {
      // Only a header that claims a picture no camera gives keeps sound frames closed.
      fuzz::Check(belongs && fuzz::Take_Messages() == QStringList{Invalid_Picture_Size_Message()},
                  "a recording with sound frames opens whatever a journal of its own holds");
    } else {
      fuzz::Check(h.Num_Frames() == Frames, "every frame is found");
    }
    for (int16_t f = 1; f <= h.Num_Frames(); ++f) {
      h.Read_RGB_sample(f, true);
      fuzz::Check(h.Record_Capture_Mill(f).has_value(), "every frame has its stamp");
    }
    h.QN3_Properties();
    if (h.File_open() && read_only)
      fuzz::Check((h.XML_Header().Loaded_Text() ==
                   qn3::Parse_Header_Text(reinterpret_cast<const uint8_t*>(journal.constData()),
                                          std::min<int64_t>(journal.size(), qn3::Header_Block_Size))) == belongs ||
                      journal.left(qn3::Header_Block_Size) == sound.left(qn3::Header_Block_Size),
                  "a read-only recording is read with a journal's header only when the journal is its own");
    h.Close_File();
  }
  const QByteArray after = File_Bytes(path);
  fuzz::Check(after.mid(qn3::Header_Block_Size) == sound.mid(qn3::Header_Block_Size), "the frames are untouched");
  if (read_only) {
    fuzz::Check(after == sound, "a read-only recording is not changed");
    fuzz::Check(File_Bytes(journal_path) == journal, "the journal of a read-only recording stays");
  } else {
    const QByteArray expected_header =
        belongs ? journal.left(qn3::Header_Block_Size) : sound.left(qn3::Header_Block_Size);
    fuzz::Check(after.left(qn3::Header_Block_Size) == expected_header,
                "a journal of its own becomes the header, any other changes nothing");
    fuzz::Check(!QFile::exists(journal_path), "the journal is gone after the open");
    fuzz::Check(QFile::exists(qn3::Stale_Journal_Path(path)) == (sign && foreign),
                "only a whole journal of another recording is set aside");
  }
  QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
  fuzz::Take_Error_Reports();
  return 0;
}
