#include "recording/frame_buffers.h"

#include "recording/qn3_format.h"

#include <algorithm>
#include <cstring>
#include <new>

CVideobuff_RGB::CVideobuff_RGB() {
  qn3::put_marker(header_.data() + qn3::Off_Start_Marker, qn3::Record_Start_Marker);
  qn3::put_i16(header_.data() + qn3::Off_Header_Length, Sample_Header_Size);
  qn3::put_marker(header_.data() + qn3::Off_Mid_Marker, qn3::Record_Mid_Marker);
}

void CVideobuff_RGB::set_RGB_Length(int32_t length) {
  length = std::max(length, 0);
  // Allocate first so a failure keeps the previous data and length together.
  auto data = std::make_unique_for_overwrite<uint8_t[]>(static_cast<std::size_t>(length));
  data_ = std::move(data);
  length_ = length;
}

void CVideobuff_RGB::FillData_RGB(const uint8_t* source) {
  if (source && length_ > 0) std::memcpy(data_.get(), source, static_cast<std::size_t>(length_));
  // The direct-compression switch of this program is off: the data is always raw pixels.
  qn3::put_i16(header_.data() + qn3::Off_Reserved_1, 0);
}

void CVideobuff_RGB::PutTimestamp(int32_t mill, int32_t local, int32_t delta) {
  qn3::put_i32(header_.data() + qn3::Off_Capture_Mill, mill);
  qn3::put_i32(header_.data() + qn3::Off_Capture_Local, local);
  qn3::put_i32(header_.data() + qn3::Off_Capture_Delta, delta);
}

int32_t CVideobuff_RGB::Capture_Local() const { return qn3::get_i32(header_.data() + qn3::Off_Capture_Local); }
int32_t CVideobuff_RGB::Capture_Mill() const { return qn3::get_i32(header_.data() + qn3::Off_Capture_Mill); }
int32_t CVideobuff_RGB::Capture_Delta() const { return qn3::get_i32(header_.data() + qn3::Off_Capture_Delta); }

void Frame_List::Add(Item frame) { items_.push_back(std::move(frame)); }

const Frame_List::Item& Frame_List::Item_At(int32_t position) const {
  static const Item none;
  if (position < 1 || position > Count()) return none;
  return items_[static_cast<std::size_t>(position - 1)];
}

void Frame_List::Remove_First() {
  if (!items_.empty()) items_.pop_front();
}

void Frame_List::Remove_All() {
  while (Count() > 0)
    Remove_First();
}

void Store_Frame(Frame_List& list, const uint8_t* pixels, int32_t length, int32_t mill, int32_t local, int32_t delta) {
  auto frame = std::make_shared<CVideobuff_RGB>();
  frame->set_RGB_Length(length);
  frame->FillData_RGB(pixels);
  frame->PutTimestamp(mill, local, delta);
  list.Add(std::move(frame));
}
