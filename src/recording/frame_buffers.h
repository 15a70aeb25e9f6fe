#pragma once
// Frames kept in memory while a camera trigger holds capture on, uncompressed, until the
// writer appends them at capture end.
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>

// One captured frame: its raw picture (a bottom-up 24-bit surface image) and a 44-byte sample
// header laid out like the head of a frame record.
class CVideobuff_RGB {
public:
  static constexpr int32_t Sample_Header_Size = 44;

  CVideobuff_RGB();
  CVideobuff_RGB(const CVideobuff_RGB&) = delete;
  CVideobuff_RGB& operator=(const CVideobuff_RGB&) = delete;

  // Setting the length (re)allocates the data; a negative length counts as 0. Throws
  // std::bad_alloc when the memory cannot be had (the previous data is then kept).
  int32_t RGB_Length() const { return length_; }
  void set_RGB_Length(int32_t length);

  void set_Direct_Compress(int16_t flag) { direct_compress_ = flag; }
  int16_t Direct_Compress() const { return direct_compress_; }

  uint8_t* RGB_Buffer_Address() { return data_.get(); }
  const uint8_t* RGB_Buffer_Address() const { return data_.get(); }
  // The address the writer reads the picture from (same as RGB_Buffer_Address).
  const uint8_t* Video_Adress() const { return data_.get(); }

  // Copies RGB_Length bytes from `source`, which must hold at least that many.
  void FillData_RGB(const uint8_t* source);

  int16_t ID() const { return id_; }
  void set_ID(int16_t id) { id_ = id; }

  void PutTimestamp(int32_t mill, int32_t local, int32_t delta);
  int32_t Capture_Local() const;
  int32_t Capture_Mill() const;
  int32_t Capture_Delta() const;

  const uint8_t* RGB_Sample_Address() const { return header_.data(); }
  int32_t RGB_Sample_Len() const { return length_ + Sample_Header_Size; }

private:
  std::array<uint8_t, Sample_Header_Size> header_{};
  std::unique_ptr<uint8_t[]> data_;
  int32_t length_ = 0;
  int16_t id_ = 0;
  int16_t direct_compress_ = 0;
};

// The ordered list of kept frames that the capture side fills and the writer reads. Positions
// are 1-based in order of insertion. Entries are shared so a reader may keep one past removal.
class Frame_List {
public:
  using Item = std::shared_ptr<CVideobuff_RGB>;

  void Add(Item frame);
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  // Position 1..Count; nullptr outside.
  const Item& Item_At(int32_t position) const;
  CVideobuff_RGB* operator()(int32_t position) const { return Item_At(position).get(); }
  void Remove_First();
  void Remove_All();

private:
  std::deque<Item> items_; // removing the first entry is cheap
};

// The capture side's storing of one frame: a new buffer of `length` bytes copied from `pixels`,
// time-stamped and appended. Throws std::bad_alloc when the memory cannot be had; the list is
// then unchanged.
void Store_Frame(Frame_List& list, const uint8_t* pixels, int32_t length, int32_t mill, int32_t local, int32_t delta);
