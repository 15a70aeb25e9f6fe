// Writes the seed corpus: small sound and damaged inputs for every fuzz target, made by the
// program's own writers so they follow the formats exactly. Usage: fuzz_make_seeds <corpus folder>
#include "fuzz_recordings.h"
#include "fuzz_support.h"

#include "capture/capture_component.h"
#include "imaging/dib_section.h"
#include "metadata/event_file.h"
#include "metadata/xml_header.h"
#include "recording/audit_trail.h"
#include "recording/jpeg_codec.h"
#include "recording/qn3_format.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <cstdio>
#include <vector>

namespace {

QString corpus;
int failures = 0;

void Seed(const char* target, const char* name, const QByteArray& bytes) {
  const QString folder = corpus + QLatin1Char('/') + QString::fromLatin1(target);
  QDir().mkpath(folder);
  QFile file(folder + QLatin1Char('/') + QString::fromLatin1(name));
  if (bytes.isEmpty() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
    std::fprintf(stderr, "seed %s/%s not written\n", target, name);
    ++failures;
  }
}

QByteArray Recording(const fuzz::Recording_Shape& shape) {
  return fuzz::Written_Recording(fuzz::Scratch_Folder() + QStringLiteral("seed.qn3"), shape);
}

void Recording_Seeds() {
  fuzz::Recording_Shape shape;
  shape.width = 32;
  shape.height = 24;
  const QByteArray sound = Recording(shape);
  Seed("qn3_reader", "progressive.qn3", sound);
  fuzz::Recording_Shape interlaced = shape;
  interlaced.interlaced = true;
  interlaced.frames = 4;
  Seed("qn3_reader", "interlaced.qn3", Recording(interlaced));
  fuzz::Recording_Shape rotated = shape;
  rotated.rotated = true;
  rotated.frames = 2;
  Seed("qn3_reader", "rotated.qn3", Recording(rotated));
  fuzz::Recording_Shape one = shape;
  one.frames = 1;
  Seed("qn3_reader", "one_frame.qn3", Recording(one));
  fuzz::Recording_Shape none = shape;
  none.frames = 0;
  Seed("qn3_reader", "header_only.qn3", Recording(none));

  const int64_t record = (sound.size() - qn3::Header_Block_Size) / shape.frames;
  Seed("qn3_reader", "cut_in_last_record.qn3", sound.left(sound.size() - record / 3));
  QByteArray unmarked = sound;
  unmarked.replace(qn3::Header_Block_Size + record, 4, "XXXX");
  Seed("qn3_reader", "second_marker_lost.qn3", unmarked);
  QByteArray lying = sound;
  qn3::put_i32(reinterpret_cast<uint8_t*>(lying.data()) + qn3::Header_Block_Size + qn3::Off_Slot_Count,
               static_cast<int32_t>(record * 2));
  Seed("qn3_reader", "slot_descriptor_lies.qn3", lying);
  QByteArray long_text = sound;
  qn3::put_i32(reinterpret_cast<uint8_t*>(long_text.data()) + qn3::Text_Length_Offset, 0x7FFFFFFF);
  Seed("qn3_reader", "text_length_huge.qn3", long_text);
  QByteArray huge_jpeg = sound;
  qn3::put_i32(reinterpret_cast<uint8_t*>(huge_jpeg.data()) + qn3::Header_Block_Size + qn3::Off_JPEG_Size, -5);
  Seed("qn3_reader", "jpeg_size_negative.qn3", huge_jpeg);

  // Journals: a whole one (the first input byte signs it), a torn one, one beside a read-only
  // recording, and one naming another recording.
  Cls_XML_header header;
  header.set_XML_string(qn3::Parse_Header_Text(reinterpret_cast<const uint8_t*>(sound.constData()), sound.size()));
  header.set_Dora_Heat_time(2, false, 31250);
  header.set_Dora_Dog_name(2, QStringLiteral("Journaled"));
  QByteArray block(qn3::Header_Block_Size, '\0');
  qn3::Build_Header_Block(qn3::Encode_Header_Text(header.XML_string()), reinterpret_cast<uint8_t*>(block.data()));
  Seed("header_journal", "whole.bin", QByteArray(1, '\x01') + block);
  Seed("header_journal", "torn.bin", QByteArray(1, '\x00') + block.left(5000));
  Seed("header_journal", "whole_read_only.bin", QByteArray(1, '\x03') + block);
  Seed("header_journal", "whole_foreign.bin", QByteArray(1, '\x05') + block);
  header.set_RGB_X(QStringLiteral("5000"));
  qn3::Build_Header_Block(qn3::Encode_Header_Text(header.XML_string()), reinterpret_cast<uint8_t*>(block.data()));
  Seed("header_journal", "whole_bad_size.bin", QByteArray(1, '\x01') + block);
}

void Header_Seeds() {
  Cls_XML_header header;
  header.rgb_let(-1);
  header.Create_Header();
  header.set_RGB_X(QStringLiteral("400"));
  header.set_RGB_Y(QStringLiteral("880"));
  header.set_Dora_Dog_name(1, QString::fromLatin1("R\xe9x & <Ace>"));
  header.set_Dora_Heat_time(1, false, 31250);
  header.set_Dora_dead_heat(2, true);
  header.set_Dora_Result_State(QStringLiteral("Official"));
  const QByteArray text = qn3::Encode_Header_Text(header.XML_string());
  Seed("xml_header", "full.xml", text);
  Seed("xml_header", "cut.xml", text.left(text.size() / 2));
  Seed("xml_header", "entities.xml",
       "<?xml version=\"1.0\"?><QNV_header><doravent><box id=\"1\"><dog_name>&#233;&amp;&#x41;</dog_name>"
       "<dog_heat_time>1e3</dog_heat_time></box><box id=\"1\"><dog_heat_frame>99999</dog_heat_frame></box>"
       "</doravent><file_data><num_frames> -7 </num_frames></file_data></QNV_header>");
}

void Event_Seeds() {
  Event_Document doc;
  doc.Create(QDateTime(QDate(2024, 6, 1), QTime(12, 0)));
  doc.set_Single("event_name", QStringLiteral("Spring Cup"));
  doc.set_Heat_Text(3, "heat_name", QStringLiteral("Final"));
  doc.set_Dog_Name(3, 2, QString::fromLatin1("R\xe9x"));
  const QByteArray bytes = doc.Bytes();
  // The first heats only: a whole file is large for mutating, and every heat reads alike.
  const QByteArray first_heats = bytes.left(bytes.indexOf("<heat id=\"5\"")) + "</Doravent_event_file>\r\n";
  Seed("event_file", "first_heats.xml", first_heats);
  Seed("event_file", "cut.xml", first_heats.left(2000));
  Seed("event_file", "other_root.xml", "<?xml version=\"1.0\"?><results><heat id=\"1\"/></results>");
  Seed("dog_import", "two_heats.txt", "Start 1\r\nRex\r\nAce\r\n\r\nBolt\r\nStart 2\r\n  Dash  \r\n");
  Seed("dog_import", "latin1.txt", QByteArray("Start 100\n") + QByteArray("R\xe9x\n"));
  Seed("dog_import", "too_many_boxes.txt", "Start 7\n1\n2\n3\n4\n5\n6\n7\n8\n9\n");
  Seed("dog_import", "no_heat.txt", "Rex\nStart 3\nAce\n");
}

void Settings_Seeds() {
  Seed("settings", "settings.ini",
       "[Settings]\r\nlast_file=/home/races/heat 3.qn3\r\ngoal_compensation=80\r\nbox_delay=0\r\n"
       "split_compensation=200\r\n[capturesettings]\r\nfriendlyname=Synthetic camera\r\nvideoproperty=0\r\n"
       "[windowpos]\r\nForm_Doravent=120,240,15000,9000\r\n");
  Seed("settings", "odd.ini",
       "; comment\n[Settings\nkey=no section end\n[Settings]\ngoal_compensation = 1e9 \n"
       "goal_compensation=twice\n=empty key\n[windowpos]\nForm_Doravent=-99999999999,,x\n");
}

void Audit_Seeds() {
  Audit_Head head;
  const QDateTime when(QDate(2024, 6, 1), QTime(14, 5, 9));
  QByteArray trail = Audit_Lines(head, when, QStringLiteral("Box 3 button"), {{"box 3 time", "not set", "31250 ms"}});
  trail += Audit_Lines(head, when.addSecs(5), QStringLiteral("Change dog name"),
                       {{"box 2 dog name", "Rex", QString::fromLatin1("R\xe9x\nII")}, {"event", "", "Cup"}});
  Seed("audit_trail", "named.txt", Audit_Head_Text(head).toLatin1() + "\n" + "\x07" + trail);
  Seed("audit_trail", "unnamed.txt", QByteArray("\n") + "\x20" + trail);
  Seed("audit_trail", "cut.txt", Audit_Head_Text(head).toLatin1() + "\n" + "\x03" + trail.left(trail.size() - 9));
}

// A frame of `format` filled with a pattern; MJPEG frames are real JPEG streams.
QByteArray Frame(Pixel_Format format, int32_t width, int32_t height) {
  if (format == Pixel_Format::MJPEG) {
    cDIBSection dib;
    dib.Create(width, height);
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) {
        uint8_t* p = dib.Row(y) + 3 * x;
        p[0] = static_cast<uint8_t>(x * 5);
        p[1] = static_cast<uint8_t>(y * 7);
        p[2] = static_cast<uint8_t>(x * y);
      }
    std::vector<uint8_t> out(static_cast<size_t>(width) * height * 3 + 4096);
    int32_t size = static_cast<int32_t>(out.size());
    Jpeg_Codec codec;
    codec.Encode_JPEG(dib, out.data(), size, 85);
    return QByteArray(reinterpret_cast<const char*>(out.data()), size);
  }
  int64_t bytes = 0;
  switch (format) {
  case Pixel_Format::YUYV:
  case Pixel_Format::UYVY: bytes = int64_t{width} * height * 2; break;
  case Pixel_Format::NV12: bytes = int64_t{width} * (height + (height + 1) / 2); break;
  case Pixel_Format::BGR24_Bottom_Up: bytes = cDIBSection::Bytes_Per_Scan_Line_For(width) * int64_t{height}; break;
  default: bytes = int64_t{width} * height * 3; break;
  }
  QByteArray frame(static_cast<qsizetype>(bytes), '\0');
  for (qsizetype i = 0; i < frame.size(); ++i)
    frame[i] = static_cast<char>((i * 37 + i / 97) & 0xFF);
  return frame;
}

void Capture_Seeds() {
  const struct {
    Pixel_Format format;
    uint32_t fourcc_index; // in v4l2_frames_fuzz.cpp's list; 99: none there
    const char* name;
  } formats[] = {{Pixel_Format::BGR24_Bottom_Up, 99, "bgr24_bottom_up"},
                 {Pixel_Format::RGB24, 3, "rgb24"},
                 {Pixel_Format::BGR24, 4, "bgr24"},
                 {Pixel_Format::YUYV, 0, "yuyv"},
                 {Pixel_Format::UYVY, 1, "uyvy"},
                 {Pixel_Format::NV12, 2, "nv12"},
                 {Pixel_Format::MJPEG, 5, "mjpeg"}};
  constexpr int32_t W = 48;
  constexpr int32_t H = 32;
  for (size_t i = 0; i < std::size(formats); ++i) {
    const QByteArray frame = Frame(formats[i].format, W, H);
    fuzz::Input_Builder crop;
    crop.Byte(static_cast<uint8_t>(i));
    crop.Range(-2, 2000, W);
    crop.Range(-2, 1100, H);
    crop.Byte(0); // the format's own stride
    crop.Range(1, 96, 20);
    crop.Range(1, 96, 10);
    crop.Range(-2, 2000, 13); // odd: inside a pixel pair
    crop.Range(-2, 1100, 7);
    crop.Append(frame);
    Seed("crop_convert", formats[i].name, crop.Bytes());
    if (formats[i].fourcc_index == 99) continue;
    fuzz::Input_Builder device;
    device.Byte(static_cast<uint8_t>(formats[i].fourcc_index));
    device.Range(1, 320, W);
    device.Range(1, 240, H);
    device.Byte(0); // no row padding
    device.Range(1, 320, 20);
    device.Range(1, 240, 10);
    for (int k = 0; k < 2; ++k) {
      device.U16(static_cast<uint16_t>(frame.size()));
      device.Byte(1); // the driver's clock
      device.Append(frame);
    }
    Seed("v4l2_frames", formats[i].name, device.Bytes());
  }
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_make_seeds <corpus folder>\n");
    return 2;
  }
  fuzz::Start(&argc, &argv);
  corpus = QString::fromLocal8Bit(argv[1]);
  Recording_Seeds();
  Header_Seeds();
  Event_Seeds();
  Settings_Seeds();
  Audit_Seeds();
  Capture_Seeds();
  return failures == 0 ? 0 : 1;
}
