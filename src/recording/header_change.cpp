#include "recording/header_change.h"

#include "metadata/xml_header.h"
#include "recording/video_file_handler.h"

bool Write_Header_Change(cls_VideoFile_handler& recording, const std::function<void()>& change) {
  Cls_XML_header& header = recording.XML_Header();
  const QString before = header.XML_string();
  try {
    change();
  } catch (...) {
    header.set_XML_string(before);
    throw;
  }
  if (recording.Write_XML_Header()) return true;
  header.set_XML_string(before);
  return false;
}
