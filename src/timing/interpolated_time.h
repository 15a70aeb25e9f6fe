#pragma once
// A box's time taken between two fields instead of at one: the interpolated crossing instant is
// the time stored, and the box keeps beside it the field-precision time and the uncertainty, in
// elements of its own that readers which do not know them pass by. The stored time counts as
// interpolated only while it still equals the interpolated one: a later button press, a clearing
// or another program's change of the time ends it.
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

class Cls_XML_header;
class cls_VideoFile_handler;

inline const QString Interpolated_Element = QStringLiteral("dog_heat_time_interpolated");
inline const QString Field_Time_Element = QStringLiteral("dog_heat_time_field");
inline const QString Uncertainty_Element = QStringLiteral("dog_heat_time_uncertainty");
inline const QString Unsure_Element = QStringLiteral("dog_heat_time_unsure");

struct Interpolated_Time {
  int32_t time_ms = 0;       // the crossing instant, whole ms: the box's time
  int32_t field_time_ms = 0; // the first field at or past the line, by the system's rule
  double uncertainty_ms = 0;
  friend bool operator==(const Interpolated_Time&, const Interpolated_Time&) = default;
};

// The box's interpolated time while it is the box's time; nullopt otherwise (and for headers
// without the elements).
std::optional<Interpolated_Time> Read_Interpolated_Time(const Cls_XML_header& header, int16_t box);
// Writes the elements (not the box's time itself); an unsure note from before goes.
void Write_Interpolated_Time(Cls_XML_header& header, int16_t box, const Interpolated_Time& time);
void Clear_Interpolated_Time(Cls_XML_header& header, int16_t box);

// Why the box's interpolated time was accepted from an unsure proposal; empty when it was not, or
// when the box's time is no longer that interpolated time.
QString Unsure_Note(const Cls_XML_header& header, int16_t box);
// After Write_Interpolated_Time: the time comes from an unsure proposal, for `reason`.
void Write_Unsure_Note(Cls_XML_header& header, int16_t box, const QString& reason);

// The results window's note on an interpolated time; empty when the box's time is not one.
QString Interpolated_Note(const Cls_XML_header& header, int16_t box);

// A goal time to store for a box: a field's, or one interpolated between two fields.
struct Box_Time {
  int16_t box = 0;
  int16_t slider_position = 0; // the field at or past the line
  int32_t time_ms = 0;         // a field's time; ignored when interpolated
  std::optional<Interpolated_Time> interpolated;
  bool dead_heat = false;
};

// Sets goal times in the header as a box button sets a field's: the time, the slider position of
// the field at or past the line, the click time and the dead-heat mark, with an interpolation's
// elements (or without any left from before). Writes nothing: it is the change a result change
// makes (Review_Session::Change_Result), so it is refused, audited and published like any other.
void Apply_Box_Times(cls_VideoFile_handler& recording, const std::vector<Box_Time>& times);
