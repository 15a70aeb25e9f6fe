#include "recording/jpeg_codec.h"

#include "imaging/dib_section.h"
#include "mock/scripted_prompts.h"
#include "platform/error_report.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <thread>
#include <vector>

namespace {

// Gradients in all three channels with a little noise, like a camera picture.
cDIBSection Make_Picture(int32_t width, int32_t height, uint32_t seed = 7) {
  cDIBSection dib;
  EXPECT_TRUE(dib.Create(width, height));
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> noise(-4, 4);
  auto clamp = [](int v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); };
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* p = dib.Row(y);
    for (int32_t x = 0; x < width; ++x, p += 3) {
      p[0] = clamp(int(128 + 90 * std::sin(x / 70.0)) + noise(random));
      p[1] = clamp(int(128 + 80 * std::cos(y / 90.0)) + noise(random));
      p[2] = clamp(int(120 + 100 * std::sin((x + y) / 150.0)) + noise(random));
    }
  }
  return dib;
}

double Psnr(const cDIBSection& a, const cDIBSection& b) {
  double squares = 0;
  for (int32_t y = 0; y < a.Height(); ++y) {
    const uint8_t* p = a.Row(y);
    const uint8_t* q = b.Row(y);
    for (int32_t i = 0; i < 3 * a.Width(); ++i) {
      const double d = double(p[i]) - double(q[i]);
      squares += d * d;
    }
  }
  const double mse = squares / (3.0 * a.Width() * a.Height());
  return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

std::vector<uint8_t> Encode(Jpeg_Codec& codec, const cDIBSection& dib, int32_t quality) {
  std::vector<uint8_t> out(1'000'001);
  Jpeg_Encode_Result r = codec.Encode_To_Buffer(dib, out.data(), 999'999, quality);
  EXPECT_TRUE(r.ok()) << r.message.toStdString();
  out.resize(static_cast<size_t>(r.size));
  return out;
}

bool Decode(Jpeg_Codec& codec, cDIBSection& dib, const std::vector<uint8_t>& jpeg, size_t length) {
  return codec.Decode_JPEG(dib, jpeg.data(), static_cast<int32_t>(length));
}

} // namespace

TEST(Jpeg_Codec, RoundTripKeepsPictureAtSeveralSizes) {
  // Odd widths give padded rows; tiny pictures are smaller than one coding block.
  const struct { int32_t width, height; } sizes[] = {{400, 880}, {401, 297}, {17, 9}, {1, 1}, {1920, 1080}};
  Jpeg_Codec codec;
  for (const auto& s : sizes) {
    SCOPED_TRACE(testing::Message() << s.width << "x" << s.height);
    const cDIBSection picture = Make_Picture(s.width, s.height);
    const std::vector<uint8_t> jpeg = Encode(codec, picture, 80);
    ASSERT_GT(jpeg.size(), 100U);
    EXPECT_EQ(jpeg[0], 0xFF);
    EXPECT_EQ(jpeg[1], 0xD8);
    cDIBSection back;
    ASSERT_TRUE(Decode(codec, back, jpeg, jpeg.size()));
    ASSERT_EQ(back.Width(), s.width);
    ASSERT_EQ(back.Height(), s.height);
    EXPECT_GT(Psnr(picture, back), 35.0);
  }
}

TEST(Jpeg_Codec, RowsStayTheRightWayUp) {
  // Red top rows (the last rows in memory), blue below.
  cDIBSection picture;
  ASSERT_TRUE(picture.Create(64, 48));
  picture.Fill_with_RGB(0xFF0000);
  uint8_t* top = picture.Row(7); // rows 6..0 follow it in memory; 64 pixels leave no padding
  for (int32_t i = 0; i < 8 * picture.BytesPerScanLine(); i += 3) {
    top[i] = 0;
    top[i + 2] = 255;
  }
  Jpeg_Codec codec;
  const std::vector<uint8_t> jpeg = Encode(codec, picture, 90);

  // The stream itself is top-down, as every other reader expects.
  tjhandle plain = tjInitDecompress();
  std::vector<uint8_t> top_down(64 * 48 * 3);
  ASSERT_EQ(tjDecompress2(plain, jpeg.data(), jpeg.size(), top_down.data(), 64, 0, 48, TJPF_RGB, 0), 0);
  tjDestroy(plain);
  EXPECT_GT(top_down[30], 200);
  EXPECT_LT(top_down[32], 60);

  cDIBSection back;
  ASSERT_TRUE(Decode(codec, back, jpeg, jpeg.size()));
  const uint8_t* last_memory_row = back.DIBSectionBitsPtr() + 47 * back.BytesPerScanLine();
  for (int32_t x : {0, 31, 63}) {
    EXPECT_GT(last_memory_row[3 * x + 2], 200) << x;
    EXPECT_LT(last_memory_row[3 * x], 60) << x;
    EXPECT_GT(back.DIBSectionBitsPtr()[3 * x], 200) << x;
  }
}

TEST(Jpeg_Codec, GreyscaleStreamFillsAllThreeChannelsAtItsOwnSize) {
  const int width = 50, height = 30;
  std::vector<uint8_t> grey(static_cast<size_t>(width * height));
  for (size_t i = 0; i < grey.size(); ++i)
    grey[i] = static_cast<uint8_t>(5 * (i % width));
  tjhandle compressor = tjInitCompress();
  unsigned char* jpeg_buf = nullptr;
  unsigned long jpeg_size = 0;
  ASSERT_EQ(
      tjCompress2(compressor, grey.data(), width, 0, height, TJPF_GRAY, &jpeg_buf, &jpeg_size, TJSAMP_GRAY, 95, 0), 0);
  const std::vector<uint8_t> jpeg(jpeg_buf, jpeg_buf + jpeg_size);
  tjFree(jpeg_buf);
  tjDestroy(compressor);

  Jpeg_Codec codec;
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(400, 880));
  ASSERT_TRUE(Decode(codec, dib, jpeg, jpeg.size()));
  ASSERT_EQ(dib.Width(), width);
  ASSERT_EQ(dib.Height(), height);
  for (int y = 0; y < height; ++y) {
    const uint8_t* p = dib.Row(y);
    for (int x = 0; x < width; ++x, p += 3) {
      ASSERT_TRUE(p[0] == p[1] && p[1] == p[2]) << x << "," << y;
      ASSERT_NEAR(p[0], 5 * x, 4) << x << "," << y;
    }
  }
  // A surface of the right size is decoded into as it is.
  const uint8_t* bits = dib.DIBSectionBitsPtr();
  ASSERT_TRUE(Decode(codec, dib, jpeg, jpeg.size()));
  EXPECT_EQ(dib.DIBSectionBitsPtr(), bits);
}

TEST(Jpeg_Codec, DamagedStreamsFailWithoutHarm) {
  Jpeg_Codec codec;
  const std::vector<uint8_t> jpeg = Encode(codec, Make_Picture(96, 64), 80);
  Prompts_Guard guard;
  cDIBSection dib;

  // Every cut before the end: a few header-only cuts show the box, the rest fail quietly.
  int header_failures = 0;
  for (size_t length = 0; length < jpeg.size(); length += (length < 700 ? 1 : 37)) {
    const size_t boxes_before = guard->seen.size();
    std::vector<uint8_t> cut(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(length));
    cut.shrink_to_fit(); // so the sanitizer sees any read past the cut
    EXPECT_FALSE(codec.Decode_JPEG(dib, cut.data(), static_cast<int32_t>(length))) << length;
    const size_t boxes = guard->seen.size() - boxes_before;
    ASSERT_LE(boxes, 1U);
    if (boxes == 1) ++header_failures;
  }
  EXPECT_GT(header_failures, 10);
  for (const QString& text : guard->messages())
    EXPECT_EQ(text, QStringLiteral("Failed to read JPG"));

  // The last cut is data only: quiet failure, no box.
  guard->seen.clear();
  EXPECT_FALSE(Decode(codec, dib, jpeg, jpeg.size() - 1));
  EXPECT_TRUE(guard->seen.empty());

  // Bit flips anywhere, header included: any answer but a crash or a stray write.
  std::mt19937 random(11);
  std::uniform_int_distribution<size_t> where(0, jpeg.size() - 1);
  std::uniform_int_distribution<int> bit(0, 7);
  for (int variant = 0; variant < 400; ++variant) {
    std::vector<uint8_t> bad = jpeg;
    for (int flips = 1 + variant % 4; flips > 0; --flips)
      bad[where(random)] ^= static_cast<uint8_t>(1U << bit(random));
    if (Decode(codec, dib, bad, bad.size())) {
      EXPECT_GT(dib.Width(), 0);
      EXPECT_LE(int64_t(dib.Width()) * dib.Height(), Jpeg_Max_Pixels);
    }
  }
  // A header claiming 60000 x 60000 is refused before any memory is taken for it, quietly, as
  // a surface that cannot be made; so is one beyond the caller's limit.
  std::vector<uint8_t> huge = jpeg;
  for (size_t i = 0; i + 9 < huge.size(); ++i)
    if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
      huge[i + 5] = huge[i + 7] = 0xEA;
      huge[i + 6] = huge[i + 8] = 0x60;
      break;
    }
  guard->seen.clear();
  cDIBSection fresh;
  EXPECT_FALSE(Decode(codec, fresh, huge, huge.size()));
  EXPECT_EQ(fresh.DIBSectionBitsPtr(), nullptr);
  for (const Jpeg_Size_Limit limit :
       {Jpeg_Size_Limit{95, 64, 96 * 64}, Jpeg_Size_Limit{96, 63, 96 * 64}, Jpeg_Size_Limit{96, 64, 96 * 64 - 1}}) {
    EXPECT_FALSE(codec.Decode_JPEG(fresh, jpeg.data(), static_cast<int32_t>(jpeg.size()), limit));
    EXPECT_EQ(fresh.DIBSectionBitsPtr(), nullptr);
  }
  EXPECT_TRUE(codec.Decode_JPEG(fresh, jpeg.data(), static_cast<int32_t>(jpeg.size()), {96, 64, 96 * 64}));
  EXPECT_TRUE(guard->seen.empty());
  EXPECT_FALSE(codec.Decode_JPEG(dib, nullptr, 100));
  EXPECT_EQ(guard->messages(), QStringList(1, QStringLiteral("Failed to read JPG")));

  // The codec still works afterwards.
  EXPECT_TRUE(Decode(codec, dib, jpeg, jpeg.size()));
  EXPECT_EQ(dib.Width(), 96);
}

TEST(Jpeg_Codec, EncodeNeverWritesPastTheCapacity) {
  Jpeg_Codec codec;
  const cDIBSection picture = Make_Picture(400, 880);
  const std::vector<uint8_t> reference = Encode(codec, picture, 80);
  const int32_t full = static_cast<int32_t>(reference.size());
  const int32_t worst = static_cast<int32_t>(tjBufSize(400, 880, TJSAMP_420));

  // Too small, exactly right, and room enough for the library to write in place.
  for (int32_t capacity : {0, 1, 600, full - 1, full, worst, worst + 9}) {
    SCOPED_TRACE(capacity);
    const bool fits = capacity >= full;
    std::vector<uint8_t> buffer(static_cast<size_t>(capacity) + 64, 0xA5);
    Jpeg_Encode_Result r = codec.Encode_To_Buffer(picture, buffer.data(), capacity, 80);
    ASSERT_EQ(r.ok(), fits) << r.message.toStdString();
    if (fits) {
      ASSERT_EQ(r.size, full);
      EXPECT_EQ(0, std::memcmp(buffer.data(), reference.data(), reference.size()));
    } else {
      EXPECT_EQ(r.status, Jpeg_Encode_Status::Too_Large);
      EXPECT_TRUE(r.message.startsWith(QStringLiteral("Failed to save to JPG "))) << r.message.toStdString();
    }
    for (size_t i = static_cast<size_t>(capacity); i < buffer.size(); ++i)
      ASSERT_EQ(buffer[i], 0xA5) << i;
  }

  // The throwing form: size in, size out, untouched on failure.
  std::vector<uint8_t> buffer(static_cast<size_t>(full));
  int32_t size = full - 1;
  EXPECT_THROW(codec.Encode_JPEG(picture, buffer.data(), size, 80), Dora_Error);
  EXPECT_EQ(size, full - 1);
  size = full;
  EXPECT_TRUE(codec.Encode_JPEG(picture, buffer.data(), size, 80));
  EXPECT_EQ(size, full);
  EXPECT_EQ(codec.Encode_To_Buffer(cDIBSection{}, buffer.data(), full, 80).status, Jpeg_Encode_Status::Failed);
}

TEST(Jpeg_Codec, QualityIsClampedAndShrinksTheStream) {
  Jpeg_Codec codec;
  const cDIBSection picture = Make_Picture(160, 120);
  const std::vector<uint8_t> lowest = Encode(codec, picture, 1);
  const std::vector<uint8_t> highest = Encode(codec, picture, 100);
  for (int32_t q : {0, -5, INT32_MIN})
    EXPECT_EQ(Encode(codec, picture, q), lowest) << q;
  for (int32_t q : {101, INT32_MAX})
    EXPECT_EQ(Encode(codec, picture, q), highest) << q;
  EXPECT_LT(lowest.size(), Encode(codec, picture, 50).size());
  EXPECT_LT(Encode(codec, picture, 50).size(), highest.size());
}

TEST(Jpeg_Codec, CodecsOnTwoThreadsAndAfterMovesAgree) {
  const cDIBSection picture = Make_Picture(400, 880);
  Jpeg_Codec first;
  const std::vector<uint8_t> reference = Encode(first, picture, 75);

  std::vector<uint8_t> results[2];
  auto work = [&picture](std::vector<uint8_t>& out) {
    Jpeg_Codec codec;
    for (int i = 0; i < 5; ++i)
      out = Encode(codec, picture, 75);
  };
  {
    std::jthread a(work, std::ref(results[0]));
    std::jthread b(work, std::ref(results[1]));
  }
  EXPECT_EQ(results[0], reference);
  EXPECT_EQ(results[1], reference);

  Jpeg_Codec moved(std::move(first));
  EXPECT_EQ(Encode(moved, picture, 75), reference);
  // The moved-from codec makes its handles and scratch buffer again.
  EXPECT_EQ(Encode(first, picture, 75), reference); // NOLINT(bugprone-use-after-move)
  first = std::move(moved);
  cDIBSection back;
  EXPECT_TRUE(Decode(first, back, reference, reference.size()));
}

// A worker's decodes say why they failed and open nothing; a prompt or an error report asked
// for from another thread is refused and never reaches the user interface's prompts or window.
TEST(Jpeg_Codec, WorkerDecodesReturnTheirFailuresAndPromptsStayOnTheWindowThread) {
  Jpeg_Codec maker;
  const std::vector<uint8_t> jpeg = Encode(maker, Make_Picture(96, 64), 80);
  std::vector<uint8_t> header = jpeg;
  std::fill(header.begin() + 2, header.begin() + 200, uint8_t{0});
  std::vector<uint8_t> data = jpeg;
  for (size_t i = data.size() * 4 / 5; i + 2 < data.size(); ++i)
    data[i] = static_cast<uint8_t>(i * 131U);
  struct Case {
    const char* name;
    const std::vector<uint8_t>* stream;
    Jpeg_Size_Limit limit;
    bool decodes;
    const char* says;
  };
  const Case cases[] = {
      {"whole", &jpeg, {}, true, ""},
      {"header zeroed", &header, {}, false, "header cannot be read"},
      {"data damaged", &data, {}, false, "data is damaged"},
      {"beyond the limit", &jpeg, {95, 64, 96 * 64}, false, "claims 96 x 64"},
  };
  Prompts_Guard guard;
  struct Sink final : Error_Sink {
    int reports = 0;
    void QNV_Error_Handler(const QString&, int16_t, int32_t, const QString&, const QString&) override { ++reports; }
  } sink;
  install_error_sink(&sink);
  const int refused_before = Refused_Prompt_Calls();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bool decoded = !c.decodes;
    QString why;
    int32_t width = 0;
    std::thread worker([&] {
      Jpeg_Codec codec;
      cDIBSection dib;
      decoded = codec.Decode_Quietly(dib, c.stream->data(), static_cast<int32_t>(c.stream->size()), c.limit, why);
      width = dib.Width();
    });
    worker.join();
    EXPECT_EQ(decoded, c.decodes);
    EXPECT_TRUE(why.contains(QString::fromLatin1(c.says))) << why.toStdString();
    if (c.decodes) {
      EXPECT_EQ(width, 96);
    }
  }
  EXPECT_TRUE(guard->seen.empty());
  EXPECT_EQ(Refused_Prompt_Calls(), refused_before);

#ifdef NDEBUG
  // Asked for from a worker anyway: the safe answer, nothing shown, the refusal counted.
  Prompt_Answer answer = Prompt_Answer::Yes;
  std::thread stray([&] {
    answer = Msg_Box(QStringLiteral("from a worker"), {}, Prompt_Buttons::YesNo);
    QNV_Error_Handler(QStringLiteral("from a worker"), 5, 1, QStringLiteral("test"));
  });
  stray.join();
  EXPECT_EQ(answer, Prompt_Answer::No);
  EXPECT_EQ(Refused_Prompt_Calls(), refused_before + 1);
  EXPECT_TRUE(guard->seen.empty());
  EXPECT_EQ(sink.reports, 0);
#endif
  // On the window's thread both arrive.
  EXPECT_EQ(Msg_Box(QStringLiteral("here")), Prompt_Answer::Ok);
  QNV_Error_Handler(QStringLiteral("here"), 5, 1, QStringLiteral("test"));
  EXPECT_EQ(guard->messages(), QStringList(1, QStringLiteral("here")));
  EXPECT_EQ(sink.reports, 1);
  install_error_sink(nullptr);
}
