#include "recording/video_file_handler.h"

#include "metadata/xml_header.h"

cls_VideoFile_handler::cls_VideoFile_handler()
    : recording_(std::make_unique<Recording_File>()), reader_(std::make_unique<Recording_Reader>(*recording_)),
      writer_(std::make_unique<Recording_Writer>(*recording_, *reader_)),
      renderer_(std::make_unique<Recording_Renderer>(*recording_, *reader_)),
      On_Size_Mismatch(renderer_->On_Size_Mismatch) {}

cls_VideoFile_handler::~cls_VideoFile_handler() = default;

// The heat data: straight to the header document.
QString cls_VideoFile_handler::Dora_event() const { return recording_->Header().Dora_event(); }
void cls_VideoFile_handler::set_Dora_event(const QString& text) { recording_->Header().set_Dora_event(text); }
QString cls_VideoFile_handler::Dora_Heat_ID() const { return recording_->Header().Dora_Heat_ID(); }
void cls_VideoFile_handler::set_Dora_Heat_ID(const QString& text) { recording_->Header().set_Dora_Heat_ID(text); }
QString cls_VideoFile_handler::Dora_Heat_Name() const { return recording_->Header().Dora_Heat_Name(); }
void cls_VideoFile_handler::set_Dora_Heat_Name(const QString& text) { recording_->Header().set_Dora_Heat_Name(text); }
QString cls_VideoFile_handler::Dora_Heat_Length() const { return recording_->Header().Dora_Heat_Length(); }
void cls_VideoFile_handler::set_Dora_Heat_Length(const QString& text) {
  recording_->Header().set_Dora_Heat_Length(text);
}
QString cls_VideoFile_handler::Dora_start_DateTime() const { return recording_->Header().Dora_start_DateTime(); }
void cls_VideoFile_handler::set_Dora_start_DateTime(const QString& text) {
  recording_->Header().set_Dora_start_DateTime(text);
}
int32_t cls_VideoFile_handler::Dora_start_PC_mill() const { return recording_->Header().Dora_heat_start_PC_mill(); }
void cls_VideoFile_handler::set_Dora_start_PC_mill(int32_t ms) { recording_->Header().set_Dora_heat_start_PC_mill(ms); }
void cls_VideoFile_handler::set_Dora_heat_start_local(int32_t ms) {
  recording_->Header().set_Dora_heat_start_Local_mill(ms);
}
void cls_VideoFile_handler::set_Dora_start_HDMI_events(int32_t count) {
  recording_->Header().set_Dora_start_HDMI_events(count);
}
QString cls_VideoFile_handler::Dora_box_delay() const { return recording_->Header().Dora_box_delay(); }
void cls_VideoFile_handler::set_Dora_box_delay(const QString& text) { recording_->Header().set_Dora_box_delay(text); }

void cls_VideoFile_handler::set_Dora_Goal_compensation(const QString& text) {
  recording_->Header().set_Goal_Compensation(text);
}
QString cls_VideoFile_handler::Dora_Split_compensation() const { return recording_->Header().Split_Compensation(); }
void cls_VideoFile_handler::set_Dora_Split_compensation(const QString& text) {
  recording_->Header().set_Split_Compensation(text);
}
QString cls_VideoFile_handler::Dora_Goal_Finish() const { return recording_->Header().Dora_Goal_Finish(); }
void cls_VideoFile_handler::set_Dora_Goal_Finish(const QString& text) {
  recording_->Header().set_Dora_Goal_Finish(text);
}
QString cls_VideoFile_handler::Dora_Goal_Split() const { return recording_->Header().Dora_Goal_Split(); }
void cls_VideoFile_handler::set_Dora_Goal_Split(const QString& text) { recording_->Header().set_Dora_Goal_Split(text); }
void cls_VideoFile_handler::set_Dora_goal_firewire_ID(const QString& text) {
  recording_->Header().set_Dora_goal_firewire_ID(text);
}
void cls_VideoFile_handler::set_Dora_split_firewire_ID(const QString& text) {
  recording_->Header().set_Dora_split_firewire_ID(text);
}
QString cls_VideoFile_handler::Dora_Dog_name(int16_t box) const { return recording_->Header().Dora_Dog_name(box); }
void cls_VideoFile_handler::set_Dora_Dog_name(int16_t box, const QString& name) {
  recording_->Header().set_Dora_Dog_name(box, name);
}
int16_t cls_VideoFile_handler::Dora_heat_frame(int16_t box) const { return recording_->Header().Dora_heat_frame(box); }
void cls_VideoFile_handler::set_Dora_heat_frame(int16_t box, int16_t frame) {
  recording_->Header().set_Dora_heat_frame(box, frame);
}
int16_t cls_VideoFile_handler::Dora_split_frame(int16_t box) const {
  return recording_->Header().Dora_split_frame(box);
}
void cls_VideoFile_handler::set_Dora_split_frame(int16_t box, int16_t frame) {
  recording_->Header().set_Dora_split_frame(box, frame);
}
int32_t cls_VideoFile_handler::Dora_Heat_Click_Time(int16_t box) const {
  return recording_->Header().Dora_Heat_Click_Time(box);
}
void cls_VideoFile_handler::set_Dora_Heat_Click_Time(int16_t box, int32_t ms) {
  recording_->Header().set_Dora_Heat_Click_Time(box, ms);
}
int32_t cls_VideoFile_handler::Dora_Heat_time(int16_t box, bool split) const {
  return recording_->Header().Dora_Heat_time(box, split);
}
void cls_VideoFile_handler::set_Dora_Heat_time(int16_t box, bool split, int32_t ms) {
  recording_->Header().set_Dora_Heat_time(box, split, ms);
}
bool cls_VideoFile_handler::Dora_dead_heat(int16_t box) const { return recording_->Header().Dora_dead_heat(box); }
void cls_VideoFile_handler::set_Dora_dead_heat(int16_t box, bool dead_heat) {
  recording_->Header().set_Dora_dead_heat(box, dead_heat);
}
