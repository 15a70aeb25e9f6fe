#include "recording/slit_image.h"

#include "recording/jpeg_region.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// Columns whose picture could not be had.
constexpr uint8_t Missing_Level = 128;

} // namespace

std::vector<Slit_Sample> Slit_Samples(const Slit_Line& line, int32_t width, int32_t height, bool rotated) {
  std::vector<Slit_Sample> samples;
  if (width <= 0 || height <= 0) return samples;
  const int64_t dx = int64_t{line.x2} - line.x1;
  const int64_t dy = int64_t{line.y2} - line.y1;
  const int64_t steps = std::max(std::llabs(dx), std::llabs(dy));
  // A shown picture of a rotated recording is the decoded one turned clockwise.
  const int32_t shown_width = rotated ? height : width;
  const int32_t shown_height = rotated ? width : height;
  if (steps > 4 * int64_t{std::max(shown_width, shown_height)}) return samples;
  samples.reserve(static_cast<size_t>(steps + 1));
  for (int64_t k = 0; k <= steps; ++k) {
    const double t = steps == 0 ? 0.0 : static_cast<double>(k) / static_cast<double>(steps);
    const auto sx = static_cast<int64_t>(std::lround(line.x1 + t * static_cast<double>(dx)));
    const auto sy = static_cast<int64_t>(std::lround(line.y1 + t * static_cast<double>(dy)));
    if (sx < 0 || sy < 0 || sx >= shown_width || sy >= shown_height) continue;
    Slit_Sample s;
    s.shown_x = static_cast<int32_t>(sx);
    s.shown_y = static_cast<int32_t>(sy);
    const auto decoded = [&](int64_t x, int64_t y, int32_t& out_x, int32_t& out_y) {
      out_x = static_cast<int32_t>(rotated ? y : x);
      out_y = static_cast<int32_t>(rotated ? height - 1 - x : y);
    };
    decoded(sx, sy, s.x, s.y);
    for (size_t side = 0; side < 2; ++side) {
      const int64_t at = sx + (side == 0 ? -Slit_Side_Px : Slit_Side_Px);
      s.side_in[side] = at >= 0 && at < shown_width;
      if (s.side_in[side]) decoded(at, sy, s.side_x[side], s.side_y[side]);
    }
    samples.push_back(s);
  }
  return samples;
}

int32_t Field_Row(int32_t y, int16_t field, int32_t height) {
  int32_t row = field == 2 ? (y | 1) : (y & ~1);
  if (row >= height) row = height >= 2 ? height - 2 : 0;
  return row;
}

Slit_Image::Slit_Image(const Recording_Layout& layout, const Slit_Line& line)
    : samples_(Slit_Samples(line, layout.width, layout.height, layout.rotated)), line_(line), layout_(layout) {
  const int32_t columns = layout.Columns();
  if (samples_.empty() || columns <= 0) return;
  for (auto& view : views_)
    view.reset(new uint8_t[static_cast<size_t>(columns) * samples_.size() * 3]);
  columns_.resize(static_cast<size_t>(columns));
  for (int32_t c = 0; c < columns; ++c) {
    Slit_Column& info = columns_[static_cast<size_t>(c)];
    info.frame = static_cast<int16_t>(layout.interlaced ? c / 2 + 1 : c + 1);
    info.field = static_cast<int16_t>(layout.interlaced ? c % 2 + 1 : 1);
  }
}

Slit_Image::Slit_Image(const Slit_Image& other)
    : samples_(other.samples_), columns_(other.columns_), line_(other.line_), layout_(other.layout_) {
  for (size_t v = 0; v < views_.size(); ++v)
    if (other.views_[v]) {
      views_[v].reset(new uint8_t[other.View_Bytes()]);
      std::memcpy(views_[v].get(), other.views_[v].get(), other.View_Bytes());
    }
}

Slit_Image& Slit_Image::operator=(const Slit_Image& other) {
  if (this != &other) *this = Slit_Image(other);
  return *this;
}

void Slit_Image::Mark_Missing(int32_t column) {
  for (int32_t view = 0; view < Slit_Views; ++view)
    std::memset(Column_Pixels(column, view), Missing_Level, samples_.size() * 3);
}

QImage Slit_Image::Picture(int32_t first, int32_t last, int32_t view) const {
  first = std::max(first, 0);
  last = std::min(last, Columns() - 1);
  if (Is_Empty() || last < first) return {};
  QImage picture(last - first + 1, Rows(), QImage::Format_RGB888);
  const uint8_t* data = Data(view);
  const size_t column_bytes = samples_.size() * 3;
  for (int32_t r = 0; r < Rows(); ++r) {
    uint8_t* out = picture.scanLine(r);
    const uint8_t* in = data + (static_cast<size_t>(first) * samples_.size() + r) * 3;
    for (int32_t c = first; c <= last; ++c, out += 3, in += column_bytes) {
      out[0] = in[0];
      out[1] = in[1];
      out[2] = in[2];
    }
  }
  return picture;
}

namespace {

// Writes a frame's fields into their columns of every view from a pixel source (x, y) -> blue,
// green, red of the decoded picture.
template <class Pixel_At>
void Fill_Columns(Slit_Image& slit, int32_t first_column, int32_t fields, int32_t height, Pixel_At pixel) {
  const auto& samples = slit.Samples();
  for (int32_t f = 0; f < fields; ++f) {
    const int32_t column = first_column + f;
    const auto field = static_cast<int16_t>(f + 1);
    const auto row_of = [&](int32_t y) { return fields == 2 ? Field_Row(y, field, height) : y; };
    for (int32_t view = 0; view < Slit_Views; ++view) {
      uint8_t* out = slit.Column_Pixels(column, view);
      for (size_t r = 0; r < samples.size(); ++r, out += 3) {
        const Slit_Sample& s = samples[r];
        if (view > 0 && !s.side_in[static_cast<size_t>(view - 1)]) {
          out[0] = out[1] = out[2] = Missing_Level;
          continue;
        }
        const uint8_t* bgr =
            view == 0 ? pixel(s.x, row_of(s.y))
                      : pixel(s.side_x[static_cast<size_t>(view - 1)], row_of(s.side_y[static_cast<size_t>(view - 1)]));
        out[0] = bgr[2];
        out[1] = bgr[1];
        out[2] = bgr[0];
      }
    }
  }
}

} // namespace

bool Fill_From_Picture(Slit_Image& slit, int32_t first_column, const uint8_t* bits, int64_t length) {
  const Recording_Layout& layout = slit.Layout();
  const int64_t stride = (int64_t{layout.width} * 3 + 3) & ~int64_t{3};
  const int32_t fields = layout.interlaced ? 2 : 1;
  if (!bits || stride * layout.height > length || first_column < 0 || first_column + fields > slit.Columns())
    return false;
  Fill_Columns(slit, first_column, fields, layout.height,
               [&](int32_t x, int32_t y) { return bits + (layout.height - 1 - y) * stride + int64_t{x} * 3; });
  return true;
}

std::optional<Slit_Image> Build_Slit_Image(const Recording_Layout& layout, const Slit_Line& line,
                                           const Slit_Build_Control& control, QString& why) {
  Record_Reader reader;
  if (!reader.Open(layout, why)) return std::nullopt;
  Slit_Image slit(layout, line);
  if (slit.Is_Empty()) {
    why = QStringLiteral("The goal line does not cross the picture");
    return std::nullopt;
  }
  // The band of the decoded picture the line's samples lie in, both fields' rows included.
  int32_t left = layout.width, right = -1, top = layout.height, bottom = -1;
  const int32_t fields = layout.interlaced ? 2 : 1;
  const auto take = [&](int32_t x, int32_t y) {
    left = std::min(left, x);
    right = std::max(right, x);
    for (int16_t f = 1; f <= fields; ++f) {
      const int32_t row = fields == 2 ? Field_Row(y, f, layout.height) : y;
      top = std::min(top, row);
      bottom = std::max(bottom, row);
    }
  };
  for (const Slit_Sample& s : slit.Samples()) {
    take(s.x, s.y);
    for (size_t k = 0; k < 2; ++k)
      if (s.side_in[k]) take(s.side_x[k], s.side_y[k]);
  }
  Jpeg_Region_Decoder decoder;
  const int32_t total = slit.Columns();
  for (int32_t frame = 1; frame <= layout.frame_count; ++frame) {
    if (control.cancel && control.cancel->load(std::memory_order_relaxed)) {
      why = QStringLiteral("cancelled");
      return std::nullopt;
    }
    const int32_t first_column = slit.Column_Of_Frame(static_cast<int16_t>(frame));
    bool decoded = false;
    if (reader.Read(static_cast<int16_t>(frame))) {
      const int32_t stamp = reader.Fields().capture_mill;
      if (layout.jpeg) {
        decoded = decoder.Decode(reader.Picture_Bytes(), reader.Picture_Length(), layout.width, layout.height, left,
                                 top, right, bottom) == Jpeg_Region_Decoder::Outcome::Ok;
        if (decoded)
          Fill_Columns(slit, first_column, fields, layout.height,
                       [&decoder](int32_t x, int32_t y) { return decoder.Pixel(x, y); });
      } else {
        decoded = Fill_From_Picture(slit, first_column, reader.Picture_Bytes(), reader.Picture_Length());
      }
      for (int32_t f = 0; f < fields; ++f) {
        Slit_Column& info = slit.Column_Info()[static_cast<size_t>(first_column) + static_cast<size_t>(f)];
        info.capture_mill = stamp;
        info.stamped = true;
        info.valid = decoded;
      }
    }
    if (!decoded)
      for (int32_t f = 0; f < fields; ++f)
        slit.Mark_Missing(first_column + f);
    if (control.progress) control.progress(std::min(first_column + fields, total), total);
  }
  return slit;
}
