#include "recording/qn3_writer.h"

#include "platform/error_report.h"
#include "recording/frame_buffers.h"

#include <QFileDevice>
#include <QIODevice>
#include <algorithm>
#include <cstring>

namespace qn3 {

int32_t Slot_Size_For(int32_t largest_jpeg) {
  const int64_t m = std::max(largest_jpeg, 0);
  const int64_t slot = (m + 5000 + 500) / 1000 * 1000;
  return static_cast<int32_t>(std::min<int64_t>(slot, Max_Slot_Size));
}

std::vector<int32_t> Sizing_Sample_Positions(int32_t count) {
  std::vector<int32_t> positions;
  if (count <= 0) return positions;
  if (count < 3) {
    for (int32_t p = 1; p <= count; ++p)
      positions.push_back(p);
    return positions;
  }
  // count / 2 to the nearest integer, a half to the even neighbour.
  int32_t middle = count / 2;
  if (count % 2 == 1 && middle % 2 == 1) ++middle;
  for (const int32_t p : {count - 1, middle, int32_t{2}})
    if (p >= 1 && p <= count && std::find(positions.begin(), positions.end(), p) == positions.end())
      positions.push_back(p);
  return positions;
}

int32_t Reduced_Quality(int32_t quality) {
  const int64_t scaled = int64_t{quality} * 85;
  int64_t next = scaled / 100;
  const int64_t rest = scaled % 100;
  if (rest > 50 || (rest == 50 && next % 2 == 1)) ++next;
  // 85 % of 3 rounds back to 3: without the step down the loop would never end.
  next = std::min<int64_t>(next, int64_t{quality} - 1);
  return static_cast<int32_t>(std::clamp<int64_t>(next, 1, 100));
}

Frame_Encoder::Frame_Encoder(int32_t width, int32_t height, bool interlaced) {
  codec_.set_Chroma_Per_Row(interlaced);
  if (width > 0 && height > 0) work_.Create(width, height);
}

bool Frame_Encoder::Load(const CVideobuff_RGB& frame, QString& why) {
  if (work_.Is_Empty()) {
    why = QStringLiteral("No picture size set for compressing frames");
    return false;
  }
  const int32_t needed = work_.SizeImage();
  if (!frame.Video_Adress() || frame.RGB_Length() < needed) {
    why = QStringLiteral("Captured frame of %1 bytes is smaller than the %2 x %3 picture (%4 bytes)")
              .arg(frame.RGB_Length())
              .arg(work_.Width())
              .arg(work_.Height())
              .arg(needed);
    return false;
  }
  std::memcpy(work_.DIBSectionBitsPtr(), frame.Video_Adress(), static_cast<std::size_t>(needed));
  return true;
}

Fit_Result Frame_Encoder::Encode_To_Fit(uint8_t* out, int32_t capacity, int32_t initial_quality) noexcept {
  Fit_Result result;
  int32_t quality = Jpeg_Codec::Clamp_Quality(initial_quality);
  for (;;) {
    Jpeg_Encode_Result encoded = codec_.Encode_To_Buffer(work_, out, capacity, quality);
    result.quality = quality;
    if (encoded.ok()) {
      result.status = Fit_Status::Fitted;
      result.size = encoded.size;
      return result;
    }
    if (encoded.status == Jpeg_Encode_Status::Failed) {
      result.status = Fit_Status::Failed;
      result.message = std::move(encoded.message);
      return result;
    }
    if (quality <= 1) {
      result.status = Fit_Status::Does_Not_Fit;
      try {
        result.message = QStringLiteral("Frame does not fit the slot of %1 bytes even at JPEG quality 1").arg(capacity);
      } catch (...) {
      }
      return result;
    }
    quality = Reduced_Quality(quality);
  }
}

Fit_Result Encode_Frame_Record(Frame_Encoder& encoder, const CVideobuff_RGB& frame, int32_t initial_quality,
                               int32_t slot_size, uint8_t* record) noexcept {
  Fit_Result result;
  try {
    if (slot_size <= 0) {
      result.message = QStringLiteral("The slot size of the recording is not set");
      return result;
    }
    if (!encoder.Load(frame, result.message)) return result;
    result = encoder.Encode_To_Fit(record + Record_Head_Size, slot_size, initial_quality);
    if (result.status != Fit_Status::Fitted) return result;
    Record_Fields fields;
    fields.capture_mill = frame.Capture_Mill();
    fields.capture_delta = frame.Capture_Delta();
    fields.capture_local = frame.Capture_Local();
    fields.quality = result.quality;
    fields.jpeg_size = result.size;
    fields.slot_count = slot_size;
    Encode_Record_Head(fields, record);
    // Zeros after the JPEG: nothing of an earlier frame stays in the slot.
    uint8_t* slot = record + Record_Head_Size;
    std::memset(slot + result.size, 0, static_cast<std::size_t>(slot_size - result.size));
    put_marker(slot + slot_size, Record_End_Marker);
  } catch (...) {
    result.status = Fit_Status::Failed;
  }
  return result;
}

void Write_All(QIODevice& device, const uint8_t* data, int64_t size, const QString& what) {
  const auto failed = [&] {
    return Dora_Error(75, QStringLiteral("Could not write ") + what + QStringLiteral(": ") + device.errorString());
  };
  int64_t done = 0;
  while (done < size) {
    const qint64 written = device.write(reinterpret_cast<const char*>(data + done), size - done);
    if (written <= 0) throw failed();
    done += written;
  }
  if (auto* file = qobject_cast<QFileDevice*>(&device); file && !file->flush()) throw failed();
}

Append_Point Append_Point_For(int64_t file_length, int64_t record_size) {
  Append_Point point;
  if (record_size <= 0 || file_length <= Header_Block_Size) return point;
  const int64_t complete = (file_length - Header_Block_Size) / record_size;
  point.complete_records = static_cast<int32_t>(std::min<int64_t>(complete, INT32_MAX));
  point.offset = Header_Block_Size + complete * record_size;
  return point;
}

Append_Plan Plan_Append(const Record_Layout& layout, int64_t file_length, int32_t header_slot, int32_t pass_slot) {
  Append_Plan plan;
  const int64_t tail = file_length - Header_Block_Size;
  if (tail <= 0) return plan;
  const int64_t record = layout.record_size;
  if (layout.source == Layout_Source::None || record <= Record_Overhead || record > Max_Measurable_Record) {
    // Fewer bytes than a record's frame can never be a frame.
    if (tail >= Record_Overhead) plan.refusal = Append_Refusal::Unmeasured;
    return plan;
  }
  const bool confirmed = (layout.source == Layout_Source::Markers && layout.described) ||
                         (header_slot > 0 && record == Record_Size_For_Slot(header_slot)) ||
                         (pass_slot > 0 && record == Record_Size_For_Slot(pass_slot));
  if (!confirmed) {
    plan.refusal = Append_Refusal::Unmeasured;
    return plan;
  }
  plan.slot = static_cast<int32_t>(record - Record_Overhead);
  plan.record_size = record;
  if (pass_slot > 0 && plan.slot != pass_slot) {
    plan.refusal = Append_Refusal::Other_Slot;
    return plan;
  }
  const Append_Point point = Append_Point_For(file_length, record);
  plan.offset = point.offset;
  plan.complete_records = point.complete_records;
  return plan;
}

int32_t Pass_Threads(int32_t requested) {
  int32_t threads = requested;
  if (threads <= 0) threads = static_cast<int32_t>(std::thread::hardware_concurrency());
  return std::clamp(threads, 1, 8);
}

Ordered_Encoder::Ordered_Encoder(const Frame_List& frames, std::vector<int32_t> positions, int32_t width,
                                 int32_t height, int32_t initial_quality, int32_t slot_size, int32_t threads,
                                 bool interlaced)
    : frames_(frames), positions_(std::move(positions)), width_(width), height_(height), quality_(initial_quality),
      slot_size_(slot_size), interlaced_(interlaced) {
  threads = std::clamp(threads, 1, std::max(Count(), 1));
  // Two records per thread keep every thread busy while the caller writes.
  const int32_t slot_count = threads == 1 ? 1 : 2 * threads;
  slots_.resize(static_cast<std::size_t>(slot_count));
  for (Slot& slot : slots_)
    slot.record.assign(static_cast<std::size_t>(Record_Size_For_Slot(std::max(slot_size_, 0))), 0);
  if (threads == 1) {
    inline_encoder_ = std::make_unique<Frame_Encoder>(width_, height_, interlaced_);
    return;
  }
  try {
    for (int32_t t = 0; t < threads; ++t)
      workers_.emplace_back([this] { Work(); });
  } catch (...) {
    Stop();
    throw;
  }
}

Ordered_Encoder::~Ordered_Encoder() { Stop(); }

void Ordered_Encoder::Stop() noexcept {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  freed_.notify_all();
  ready_.notify_all();
  for (std::thread& worker : workers_)
    if (worker.joinable()) worker.join();
  workers_.clear();
}

void Ordered_Encoder::Encode_Into(Frame_Encoder& encoder, int32_t index, Slot& slot) {
  const int32_t position = positions_[static_cast<std::size_t>(index)];
  slot.frame = {};
  slot.frame.position = position;
  slot.frame.record = slot.record.data();
  slot.frame.slot_size = slot_size_;
  const CVideobuff_RGB* frame = frames_(position);
  if (!frame) {
    slot.frame.fit.message = QStringLiteral("There is no captured frame %1").arg(position);
    return;
  }
  slot.frame.fit = Encode_Frame_Record(encoder, *frame, quality_, slot_size_, slot.record.data());
}

void Ordered_Encoder::Work() {
  std::unique_ptr<Frame_Encoder> encoder;
  try {
    encoder = std::make_unique<Frame_Encoder>(width_, height_, interlaced_);
  } catch (...) {
  }
  const auto ring = static_cast<int32_t>(slots_.size());
  for (;;) {
    int32_t index = 0;
    {
      std::unique_lock lock(mutex_);
      if (stopping_ || next_to_take_ >= Count()) return;
      index = next_to_take_++;
      freed_.wait(lock, [&] { return stopping_ || index < consumed_ + ring; });
      if (stopping_) return;
    }
    Slot& slot = slots_[static_cast<std::size_t>(index % ring)];
    if (encoder) {
      Encode_Into(*encoder, index, slot);
    } else {
      slot.frame = {};
      slot.frame.position = positions_[static_cast<std::size_t>(index)];
      slot.frame.slot_size = slot_size_;
      slot.frame.fit.message = QStringLiteral("No memory for a frame encoder");
    }
    {
      std::lock_guard lock(mutex_);
      slot.holds = index;
    }
    ready_.notify_all();
  }
}

const Encoded_Frame& Ordered_Encoder::Next() {
  const int32_t index = handed_++;
  if (inline_encoder_) {
    Slot& slot = slots_.front();
    Encode_Into(*inline_encoder_, index, slot);
    return slot.frame;
  }
  const auto ring = static_cast<int32_t>(slots_.size());
  Slot& slot = slots_[static_cast<std::size_t>(index % ring)];
  std::unique_lock lock(mutex_);
  // The previous frame's record has been written: its slot may take a new frame.
  consumed_ = index;
  freed_.notify_all();
  ready_.wait(lock, [&] { return stopping_ || slot.holds == index; });
  return slot.frame;
}

} // namespace qn3
