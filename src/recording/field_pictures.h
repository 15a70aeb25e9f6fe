#pragma once
// Whole field pictures of a recording as the window shows them (the field at full height, turned
// when the recording is rotated), read through a file handle of their own: what the finish
// proposals and the delay calibration look at around the instants the slit image points to.
#include "imaging/dib_section.h"
#include "recording/jpeg_codec.h"
#include "recording/record_reader.h"

#include <QString>
#include <cstdint>
#include <vector>

// A frame whose picture could not be decoded, and why: for the user-interface thread to tell.
struct Picture_Failure {
  int16_t frame = 0;
  QString why;
};

class Field_Picture_Reader {
public:
  bool Open(const Recording_Layout& layout, QString& why);
  const Recording_Layout& Layout() const { return reader_.Layout(); }
  int32_t Columns() const { return reader_.Layout().Columns(); }

  // The picture of a column (a field, or a frame when the recording is not interlaced); nullptr
  // when its record is missing or its picture does not decode. Valid until the next call.
  const cDIBSection* Picture(int32_t column);
  // The capture stamp of the column's record (after a successful Picture).
  int32_t Capture_Mill() const { return reader_.Fields().capture_mill; }
  // Whole-picture decodes since opening (the frame of two neighbouring fields is decoded once).
  int32_t Decodes() const { return decodes_; }
  // The frames whose pictures did not decode since opening, each once, in the order met.
  const std::vector<Picture_Failure>& Failures() const { return failures_; }

private:
  bool Decode_Frame(int16_t frame);

  Record_Reader reader_;
  Jpeg_Codec codec_;
  cDIBSection frame_;
  cDIBSection field_;
  cDIBSection shown_;
  int16_t decoded_frame_ = 0;
  bool decoded_ok_ = false;
  int32_t decodes_ = 0;
  std::vector<Picture_Failure> failures_;
};
