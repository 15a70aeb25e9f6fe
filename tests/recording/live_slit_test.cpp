// The slit of held frames, read from frames whose every pixel says where it is and which frame
// it belongs to: each column must be that frame's field rows along the line, in arrival order.
#include "recording/live_slit.h"

#include <QImage>
#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int32_t W = 7; // rows of 21 bytes, padded to 24
constexpr int32_t H = 6;
constexpr int64_t Stride = 24;

// Blue = 10 x, green = 10 y (y counted from the top), red = the frame's number; rows bottom-up.
std::vector<uint8_t> Frame(int32_t number) {
  std::vector<uint8_t> bits(static_cast<size_t>(Stride * H), 0xEE);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) {
      uint8_t* p = bits.data() + (H - 1 - y) * Stride + x * 3;
      p[0] = static_cast<uint8_t>(10 * x);
      p[1] = static_cast<uint8_t>(10 * y);
      p[2] = static_cast<uint8_t>(number);
    }
  return bits;
}

struct Pixel {
  int x, y, frame;
  friend bool operator==(const Pixel&, const Pixel&) = default;
};

std::vector<Pixel> Column(const QImage& picture, int32_t column) {
  std::vector<Pixel> out;
  for (int32_t r = 0; r < picture.height(); ++r) {
    const QRgb c = picture.pixel(column, r);
    out.push_back({qBlue(c) / 10, qGreen(c) / 10, qRed(c)});
  }
  return out;
}

TEST(Live_Slit, EachColumnIsItsFieldsRowsAlongTheLineInArrivalOrder) {
  struct Case {
    const char* name;
    Slit_Line line;
    bool interlaced;
    // Per column of two frames: the (x, y) each row reads and the frame it comes from.
    std::vector<std::vector<Pixel>> columns;
  };
  const std::vector<Case> cases = {
      {"vertical, interlaced",
       {3, 0, 3, 5},
       true,
       {{{3, 0, 1}, {3, 0, 1}, {3, 2, 1}, {3, 2, 1}, {3, 4, 1}, {3, 4, 1}},
        {{3, 1, 1}, {3, 1, 1}, {3, 3, 1}, {3, 3, 1}, {3, 5, 1}, {3, 5, 1}},
        {{3, 0, 2}, {3, 0, 2}, {3, 2, 2}, {3, 2, 2}, {3, 4, 2}, {3, 4, 2}},
        {{3, 1, 2}, {3, 1, 2}, {3, 3, 2}, {3, 3, 2}, {3, 5, 2}, {3, 5, 2}}}},
      {"vertical, progressive",
       {3, 0, 3, 5},
       false,
       {{{3, 0, 1}, {3, 1, 1}, {3, 2, 1}, {3, 3, 1}, {3, 4, 1}, {3, 5, 1}},
        {{3, 0, 2}, {3, 1, 2}, {3, 2, 2}, {3, 3, 2}, {3, 4, 2}, {3, 5, 2}}}},
      {"slanted to the last column, progressive",
       {1, 1, 6, 4},
       false,
       {{{1, 1, 1}, {2, 2, 1}, {3, 2, 1}, {4, 3, 1}, {5, 3, 1}, {6, 4, 1}},
        {{1, 1, 2}, {2, 2, 2}, {3, 2, 2}, {4, 3, 2}, {5, 3, 2}, {6, 4, 2}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Live_Slit live;
    live.Start(c.line, W, H, c.interlaced);
    for (int32_t n = 1; n <= 2; ++n) {
      const std::vector<uint8_t> frame = Frame(n);
      ASSERT_TRUE(live.Add_Frame(frame.data(), static_cast<int64_t>(frame.size())));
    }
    ASSERT_EQ(live.Columns(), static_cast<int32_t>(c.columns.size()));
    const QImage all = live.Newest(100);
    ASSERT_EQ(all.width(), live.Columns());
    for (size_t k = 0; k < c.columns.size(); ++k)
      EXPECT_EQ(Column(all, static_cast<int32_t>(k)), c.columns[k]) << "column " << k;
    const QImage last = live.Newest(1);
    ASSERT_EQ(last.width(), 1);
    EXPECT_EQ(Column(last, 0), c.columns.back()) << "the newest column is the last frame's last field";
  }
}

TEST(Live_Slit, ShortFramesLinesOutsideAndLongHoldsReadNothingOutsideAndKeepTheNewest) {
  const std::vector<uint8_t> frame = Frame(7);
  Live_Slit live;
  live.Start({3, 0, 3, 5}, W, H, true);
  EXPECT_FALSE(live.Add_Frame(frame.data(), Stride * H - 1)) << "a frame one byte short";
  EXPECT_FALSE(live.Add_Frame(nullptr, Stride * H));
  EXPECT_TRUE(live.Is_Empty());

  live.Start({-50, -50, -10, -10}, W, H, true);
  EXPECT_FALSE(live.Add_Frame(frame.data(), Stride * H)) << "a goal line wholly outside the picture";
  EXPECT_TRUE(live.Is_Empty());
  EXPECT_TRUE(live.Newest(10).isNull());

  live.Start({3, 0, 3, 5}, W, H, true);
  const int32_t frames = Live_Slit::Most_Columns; // twice the columns kept
  for (int32_t n = 0; n < frames; ++n) {
    const std::vector<uint8_t> f = Frame(n % 200);
    ASSERT_TRUE(live.Add_Frame(f.data(), Stride * H));
  }
  EXPECT_EQ(live.Columns_Added(), 2 * int64_t{frames});
  EXPECT_LE(live.Columns(), Live_Slit::Most_Columns);
  EXPECT_GE(live.Columns(), Live_Slit::Most_Columns / 2);
  const QImage newest = live.Newest(2);
  EXPECT_EQ(Column(newest, 0)[0], (Pixel{3, 0, (frames - 1) % 200})) << "the last frame's first field";
  EXPECT_EQ(Column(newest, 1)[0], (Pixel{3, 1, (frames - 1) % 200}));
}

} // namespace
