#pragma once
// What a heat's recording holds in its header: filled when the recording is prepared and when
// the start signal comes. The heat lifecycle and the demo heat both go through these.
#include "recording/field_timing.h"

#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

class cls_VideoFile_handler;

struct Heat_Recording_Setup {
  QString file_name;
  int16_t running_fps = 0; // the camera's measured rate
  int32_t crop_width = 0;
  int32_t crop_height = 0;
  QString goal_finish; // goal lines of camera 1 and 2, as stored
  QString goal_split;
  // From the event file when one is open; else "Test Event", "1", "Test Heat" and no names.
  bool event_file = false;
  QString event;
  QString heat_id;
  QString heat_name;
  QString heat_length;
  std::array<QString, 6> dog_names;
  int32_t box_delay_ms = 0;
  int32_t goal_delay_ms = 0;
  int32_t split_delay_ms = 0;
  QString kit_serial;
  // The capture source's two identification texts and its time for 10 frames (0: unknown).
  QString capture_name;
  QString capture_format;
  int32_t ten_frames_ms = 0;
  // Unknown without a camera format; the recording is then interlaced unless at 40 f/s.
  std::optional<Field_Timing> fields;
};

// The heat's recording: folder + "/" + event + "_" + heat + "_" + date and time
// ("yyyy-MM-dd hh:mm:ss") + ".qn3", every ":", "-" and "," of the file's name made "_" (the
// folder keeps its own).
QString Recording_File_Name(const QString& folder, const QString& event, const QString& heat, const QDateTime& when);

// Interlaced unless the camera runs at exactly 40 frames per second.
bool Recording_Interlaced(int16_t running_fps);

// Creates the recording with its header block and fills the header; the file is closed after.
// False (the handler has reported why) when the file cannot be created or written.
bool Prepare_Heat_Recording(cls_VideoFile_handler& recording, const Heat_Recording_Setup& setup);

// The heat's zero into the header, which is rewritten at once: the multimedia-timer and
// local-time readings of the start signal and the date and time as text.
bool Stamp_Heat_Start(cls_VideoFile_handler& recording, int32_t start_mill, int32_t start_local, const QDateTime& when);
