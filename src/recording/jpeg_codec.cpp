#include "recording/jpeg_codec.h"

#include "imaging/dib_section.h"
#include "platform/error_report.h"
#include "platform/prompts.h"
#include "platform/trace.h"

#include <turbojpeg.h>

#include <cstring>
#include <limits>
#include <utility>

namespace {

QString Error_Text(tjhandle handle) { return QString::fromUtf8(tjGetErrorStr2(handle)); }

QString Init_Failure_Text(const QString& why) { return QStringLiteral("Failed to initialise the IJL library: ") + why; }

} // namespace

void Jpeg_Codec::Handle_Deleter::operator()(void* handle) const noexcept {
  if (handle) tjDestroy(handle);
}

Jpeg_Codec::Jpeg_Codec() : compressor_(tjInitCompress()), decompressor_(tjInitDecompress()) {}

Jpeg_Codec::~Jpeg_Codec() = default;
Jpeg_Codec::Jpeg_Codec(Jpeg_Codec&& other) noexcept = default;
Jpeg_Codec& Jpeg_Codec::operator=(Jpeg_Codec&& other) noexcept = default;

// A handle lost by a move or a failed start is made again on first use.
bool Jpeg_Codec::Have_Compressor(QString& why) noexcept {
  if (!compressor_) compressor_.reset(tjInitCompress());
  if (compressor_) return true;
  try {
    why = Error_Text(nullptr);
  } catch (...) {
  }
  return false;
}

bool Jpeg_Codec::Have_Decompressor(QString& why) noexcept {
  if (!decompressor_) decompressor_.reset(tjInitDecompress());
  if (decompressor_) return true;
  try {
    why = Error_Text(nullptr);
  } catch (...) {
  }
  return false;
}

bool Jpeg_Codec::Decode_JPEG(cDIBSection& dib, const uint8_t* jpeg, int32_t length, const Jpeg_Size_Limit& limit) {
  try {
    QString why;
    QString shown;
    if (Decode_Body(dib, jpeg, length, limit, why, shown)) return true;
    // A failed read can leave the decompressor mid-stream, so that it then refuses good
    // streams too: start the next decode with a fresh one.
    decompressor_.reset();
    if (!shown.isEmpty()) Msg_Box(shown, {}, Prompt_Buttons::Ok, Prompt_Icon::Warning);
    return false;
  } catch (...) {
    decompressor_.reset();
    report_current_exception(0, QStringLiteral("Decode_JPEG of Class Module Jpeg_Codec"));
    return false;
  }
}

bool Jpeg_Codec::Decode_Quietly(cDIBSection& dib, const uint8_t* jpeg, int32_t length, const Jpeg_Size_Limit& limit,
                                QString& why) noexcept {
  try {
    why.clear();
    QString shown;
    if (Decode_Body(dib, jpeg, length, limit, why, shown)) return true;
    decompressor_.reset();
    if (why.isEmpty()) why = shown;
    return false;
  } catch (...) {
    decompressor_.reset();
    try {
      why = describe_exception(std::current_exception()).description;
    } catch (...) {
    }
    return false;
  }
}

bool Jpeg_Codec::Decode_Body(cDIBSection& dib, const uint8_t* jpeg, int32_t length, const Jpeg_Size_Limit& limit,
                             QString& why, QString& shown) {
  if (!Have_Decompressor(why)) {
    shown = Init_Failure_Text(why);
    return false;
  }
  tjhandle handle = decompressor_.get();

  int width = 0;
  int height = 0;
  int subsampling = 0;
  int colour_space = 0;
  const bool header_read = jpeg && length > 0 &&
                           tjDecompressHeader3(handle, jpeg, static_cast<unsigned long>(length), &width, &height,
                                               &subsampling, &colour_space) == 0;
  if (!header_read || width <= 0 || height <= 0) {
    Trace_Message("*Decode_JPEG, header", length, width, height, Error_Text(handle));
    why = QStringLiteral("its JPEG header cannot be read");
    shown = QStringLiteral("Failed to read JPG");
    return false;
  }
  // A damaged header may claim any size: larger ones than expected are refused before memory is
  // taken for them, as a surface that cannot be made is, without a box at every frame.
  if (width > limit.max_width || height > limit.max_height || static_cast<int64_t>(width) * height > limit.max_pixels) {
    Trace_Message("*Decode_JPEG, size out of range", length, width, height);
    why = QStringLiteral("its JPEG header claims %1 x %2 pixels").arg(width).arg(height);
    return false;
  }

  if (dib.Width() != width || dib.Height() != height || !dib.DIBSectionBitsPtr()) {
    if (!dib.Create(width, height) || !dib.DIBSectionBitsPtr()) {
      Trace_Message("*Decode_JPEG, surface", width, height);
      why = QStringLiteral("no memory for a picture of %1 x %2 pixels").arg(width).arg(height);
      return false;
    }
  }

  // Greyscale streams are expanded to blue = green = red by the decoder itself. Any warning
  // (truncated data, corrupt entropy codes) means the picture is not whole: the caller draws
  // its placeholder instead, so there is no use decoding on after the first one.
  const int flags = TJFLAG_BOTTOMUP | TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS;
  if (tjDecompress2(handle, jpeg, static_cast<unsigned long>(length), dib.DIBSectionBitsPtr(), width,
                    dib.BytesPerScanLine(), height, TJPF_BGR, flags) != 0) {
    why = QStringLiteral("its JPEG data is damaged (%1)").arg(Error_Text(handle));
    Trace_Message("*Decode_JPEG, data", length, tjGetErrorCode(handle) == TJERR_WARNING ? "warning" : "error", why);
    return false;
  }
  return true;
}

Jpeg_Encode_Result Jpeg_Codec::Encode_To_Buffer(const cDIBSection& dib, uint8_t* out, int32_t capacity,
                                                int32_t quality) noexcept {
  Jpeg_Encode_Result result;
  try {
    QString why;
    if (!Have_Compressor(why)) {
      result.message = Init_Failure_Text(why);
      return result;
    }
    const uint8_t* bits = dib.DIBSectionBitsPtr();
    const int width = dib.Width();
    const int height = dib.Height();
    if (!bits || width <= 0 || height <= 0) {
      result.message = QStringLiteral("Failed to save to JPG no picture");
      return result;
    }
    if (!out || capacity <= 0) {
      result.status = Jpeg_Encode_Status::Too_Large;
      result.message = QStringLiteral("Failed to save to JPG no room in the output buffer");
      return result;
    }

    // With NOREALLOC the library takes the buffer to be tjBufSize bytes whatever size it is
    // told, so only a buffer at least that large may be handed to it.
    const int subsampling = chroma_per_row_ ? TJSAMP_422 : TJSAMP_420;
    const unsigned long worst = tjBufSize(width, height, subsampling);
    if (worst == static_cast<unsigned long>(-1) || worst > std::numeric_limits<std::size_t>::max()) {
      result.message = QStringLiteral("Failed to save to JPG ") + Error_Text(nullptr);
      return result;
    }
    const bool direct = static_cast<unsigned long>(capacity) >= worst;
    unsigned char* target = out;
    if (!direct) {
      if (scratch_.size() < worst) scratch_.resize(worst);
      target = scratch_.data();
    }

    unsigned long jpeg_size = worst;
    tjhandle handle = compressor_.get();
    if (tjCompress2(handle, bits, width, dib.BytesPerScanLine(), height, TJPF_BGR, &target, &jpeg_size, subsampling,
                    Clamp_Quality(quality), TJFLAG_BOTTOMUP | TJFLAG_NOREALLOC) != 0) {
      result.message = QStringLiteral("Failed to save to JPG ") + Error_Text(handle);
      return result;
    }
    if (jpeg_size > static_cast<unsigned long>(capacity)) {
      result.status = Jpeg_Encode_Status::Too_Large;
      result.message = QStringLiteral("Failed to save to JPG too large: %1 bytes for a buffer of %2")
                           .arg(static_cast<qulonglong>(jpeg_size))
                           .arg(capacity);
      return result;
    }
    if (!direct) std::memcpy(out, target, jpeg_size);
    result.status = Jpeg_Encode_Status::Ok;
    result.size = static_cast<int32_t>(jpeg_size);
  } catch (...) {
    result.status = Jpeg_Encode_Status::Failed;
    result.size = 0;
    if (result.message.isEmpty()) result.message = QStringLiteral("Failed to save to JPG");
  }
  return result;
}

bool Jpeg_Codec::Encode_JPEG(const cDIBSection& dib, uint8_t* out, int32_t& size, int32_t quality) {
  Jpeg_Encode_Result result = Encode_To_Buffer(dib, out, size, quality);
  if (!result.ok()) throw Dora_Error(Jpeg_Error_Number, result.message);
  size = result.size;
  return true;
}
