#include "platform/start_sound.h"

#include "mock/recorded_errors.h"
#include "mock/scripted_prompts.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QtEndian>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#ifdef DORAVENT_HAVE_MULTIMEDIA
#include <QSoundEffect>
#include <QUrl>
#endif

namespace {

uint32_t u32(const QByteArray& b, qsizetype at) {
  return qFromLittleEndian<quint32>(reinterpret_cast<const uchar*>(b.constData() + at));
}
uint16_t u16(const QByteArray& b, qsizetype at) {
  return qFromLittleEndian<quint16>(reinterpret_cast<const uchar*>(b.constData() + at));
}

void run_events_for(int ms) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

TEST(StartSound, TheResourceIsAShortMonoEightBitWave) {
  QFile file(Start_Sound_Resource());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << Start_Sound_Resource().toStdString();
  const QByteArray wave = file.readAll();
  ASSERT_GE(wave.size(), 44);
  EXPECT_EQ(wave.left(4), QByteArray("RIFF"));
  EXPECT_EQ(u32(wave, 4), static_cast<uint32_t>(wave.size() - 8));
  EXPECT_EQ(wave.mid(8, 4), QByteArray("WAVE"));

  // Walk the chunks: the format first, then the samples.
  qsizetype at = 12;
  bool format_seen = false;
  QByteArray samples;
  while (at + 8 <= wave.size()) {
    const QByteArray id = wave.mid(at, 4);
    const uint32_t size = u32(wave, at + 4);
    ASSERT_LE(at + 8 + static_cast<qsizetype>(size), wave.size()) << id.toStdString();
    if (id == "fmt ") {
      ASSERT_GE(size, 16U);
      EXPECT_EQ(u16(wave, at + 8), 1);       // PCM
      EXPECT_EQ(u16(wave, at + 10), 1);      // mono
      EXPECT_EQ(u32(wave, at + 12), 11025U); // samples per second
      EXPECT_EQ(u32(wave, at + 16), 11025U); // bytes per second
      EXPECT_EQ(u16(wave, at + 20), 1);      // bytes per sample
      EXPECT_EQ(u16(wave, at + 22), 8);      // bits per sample
      format_seen = true;
    } else if (id == "data") {
      EXPECT_TRUE(format_seen);
      samples = wave.mid(at + 8, size);
    }
    at += 8 + size + (size & 1U);
  }
  ASSERT_TRUE(format_seen);
  EXPECT_EQ(samples.size(), 1896);
  const double seconds = samples.size() / 11025.0;
  EXPECT_NEAR(seconds, 0.17, 0.01);

  // A click that is heard and then dies away: loud near the start, silent (128) at the end.
  int peak = 0;
  for (qsizetype i = 0; i < samples.size() / 4; ++i)
    peak = std::max(peak, std::abs(static_cast<uint8_t>(samples[i]) - 128));
  EXPECT_GT(peak, 60);
  for (qsizetype i = samples.size() - 16; i < samples.size(); ++i)
    EXPECT_EQ(static_cast<uint8_t>(samples[i]), 128) << i;
}

// The test machines have no sound device: the sound is then silently not heard.
TEST(StartSound, NoSoundDeviceIsNoFailure) {
  Prompts_Guard prompts;
  Recorded_Errors errors;
  PlayPOP();
  run_events_for(300);
  PlayPOP(); // again, while the first may still be playing
  run_events_for(300);
  EXPECT_TRUE(errors.reports.empty());
  EXPECT_TRUE(prompts->seen.empty());
}

#ifdef DORAVENT_HAVE_MULTIMEDIA
TEST(StartSound, TheSoundEffectReadsTheResource) {
  QSoundEffect effect;
  effect.setSource(QUrl(QStringLiteral("qrc") + Start_Sound_Resource()));
  QElapsedTimer clock;
  clock.start();
  while (effect.status() == QSoundEffect::Loading && clock.elapsed() < 5000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_EQ(effect.status(), QSoundEffect::Ready);
}
#endif

} // namespace
