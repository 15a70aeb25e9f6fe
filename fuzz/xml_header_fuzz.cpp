// The recording's XML header loaded from arbitrary text, then every typed property read. What
// a load keeps must survive the rewrite every save makes: the document serialized and loaded
// again reads the same values and serializes to the same text.
#include "fuzz_support.h"

#include "metadata/xml_header.h"

#include <QStringList>

namespace {

using Text_Read = QString (Cls_XML_header::*)() const;

const Text_Read text_reads[] = {
    &Cls_XML_header::Dora_event,
    &Cls_XML_header::Dora_Heat_ID,
    &Cls_XML_header::Dora_Heat_Name,
    &Cls_XML_header::Dora_Heat_Length,
    &Cls_XML_header::Dora_Goal_Finish,
    &Cls_XML_header::Dora_Goal_Split,
    &Cls_XML_header::Dora_start_DateTime,
    &Cls_XML_header::Goal_Compensation,
    &Cls_XML_header::Split_Compensation,
    &Cls_XML_header::Dora_box_delay,
    &Cls_XML_header::Dora_Result_State,
    &Cls_XML_header::Dora_Audit_Head,
    &Cls_XML_header::Creation_date,
    &Cls_XML_header::Last_Capture_time,
    &Cls_XML_header::Last_Append_time,
    &Cls_XML_header::Comp_Name,
    &Cls_XML_header::Comp_CaptureInfo,
    &Cls_XML_header::Comp_CPUInfo,
    &Cls_XML_header::Comp_CPUbitness,
    &Cls_XML_header::Comp_OSbitness,
    &Cls_XML_header::Phidget_serial,
    &Cls_XML_header::RGB_JPEG_codec,
    &Cls_XML_header::RGB_JPEG_Quality,
    &Cls_XML_header::SpecApp,
    &Cls_XML_header::Streams_no,
    &Cls_XML_header::Frames_no,
    &Cls_XML_header::Segments_no,
    &Cls_XML_header::Capture_source,
    &Cls_XML_header::Capture_property,
    &Cls_XML_header::Capture_sample_size,
    &Cls_XML_header::Actual_sample,
    &Cls_XML_header::prog_id,
    &Cls_XML_header::Prog_Major,
    &Cls_XML_header::Prog_Minor,
    &Cls_XML_header::Prog_Revision,
    &Cls_XML_header::OS_version,
    &Cls_XML_header::Hdr_spare1,
    &Cls_XML_header::File_comment1,
    &Cls_XML_header::Subject_name,
    &Cls_XML_header::RGB_X,
    &Cls_XML_header::RGB_Y,
    &Cls_XML_header::RGB_Image_Size,
    &Cls_XML_header::RGB_Max_Seen_size,
    &Cls_XML_header::RGB_Comp_Threshold,
    &Cls_XML_header::RGB_Compressed_max_Size,
    &Cls_XML_header::RGB_Compressed_min_Size,
    &Cls_XML_header::RGB_Compressed_buffer_Size,
    &Cls_XML_header::RGB_Sample_Size,
    &Cls_XML_header::RGB_fourcc,
    &Cls_XML_header::RGB_fps,
    &Cls_XML_header::JPG_Reduced_Qual_num,
    &Cls_XML_header::Get_DOM_string,
};

template <class Read> QString Value(Read read) {
  try {
    return read();
  } catch (const std::exception& failure) {
    return QStringLiteral("!") + QString::fromUtf8(failure.what());
  }
}

// Every typed value the header gives, failures included, in one list.
QStringList Every_Value(const Cls_XML_header& h) {
  QStringList values;
  values += h.XML_Valid() ? QStringLiteral("valid") : QStringLiteral("invalid");
  for (const Text_Read read : text_reads)
    values += Value([&] { return (h.*read)(); });
  const auto flag = [](bool on) { return on ? QStringLiteral("t") : QStringLiteral("f"); };
  values += Value([&] { return flag(h.RGB_interlaced()); });
  values += Value([&] { return flag(h.RGB_Rotated()); });
  values += Value([&] { return flag(h.RGB_preview_on()); });
  values += Value([&] { return QString::number(h.Dora_heat_start_Local_mill()); });
  values += Value([&] { return QString::number(h.Dora_heat_start_PC_mill()); });
  values += Value([&] { return QString::number(h.Dora_start_HDMI_events()); });
  values += Value([&] { return QString::number(h.XML_len()); });
  // Boxes and comments outside their ranges too: they must fail cleanly.
  for (int16_t box = -1; box <= 9; ++box) {
    values += Value([&] { return h.Dora_Dog_name(box); });
    values += Value([&] { return QString::number(h.Dora_Heat_time(box, false)); });
    values += Value([&] { return QString::number(h.Dora_Heat_time(box, true)); });
    values += Value([&] { return QString::number(h.Dora_Heat_Click_Time(box)); });
    values += Value([&] { return QString::number(h.Dora_heat_frame(box)); });
    values += Value([&] { return QString::number(h.Dora_split_frame(box)); });
    values += Value([&] { return flag(h.Dora_dead_heat(box)); });
  }
  for (int16_t n = -1; n <= 6; ++n)
    values += Value([&] { return h.comment(n); });
  for (const char* element : {"dora_heat_ID", "box", "QNV_header", "", "a[", "//x"})
    values += Value([&] { return h.Element_Text(QString::fromLatin1(element)); });
  return values;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  fuzz::Start(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString text = QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  Cls_XML_header first;
  first.set_XML_string(text);
  if (!first.XML_Valid()) {
    // A document that did not parse is empty: every read fails alike, and a few show it.
    fuzz::Check(first.XML_string().isEmpty(), "a header that did not parse is empty");
    fuzz::Check(Value([&] { return first.Dora_Dog_name(1); }).startsWith(QLatin1Char('!')) &&
                    Value([&] { return first.RGB_X(); }).startsWith(QLatin1Char('!')),
                "an empty header has no values");
    return 0;
  }
  const QStringList loaded = Every_Value(first);
  const QString saved = first.XML_string();

  Cls_XML_header again;
  again.set_XML_string(saved);
  fuzz::Check_Same(saved.toLatin1(), again.XML_string().toLatin1(),
                   "a saved header serializes to the same text when loaded again");
  fuzz::Check(again.XML_Valid(), "a saved valid header loads again");
  fuzz::Check_Same(loaded, Every_Value(again), "a saved header reads the same values when loaded again");

  // A value written reads back as written, through a save, or the write fails cleanly.
  const QString name = QStringLiteral("R\u00e9x <&> \"Ace\" 'II'");
  try {
    again.set_Dora_Dog_name(3, name);
    again.set_Dora_Heat_time(3, false, -1234567);
    Cls_XML_header written;
    written.set_XML_string(again.XML_string());
    fuzz::Check(written.Dora_Dog_name(3) == name, "a written name reads back");
    fuzz::Check(written.Dora_Heat_time(3, false) == -1234567, "a written time reads back");
  } catch (const std::exception&) {
  }
  fuzz::Take_Error_Reports();
  return 0;
}
