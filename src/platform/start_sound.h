#pragma once
#include <QString>

// The start sound: a short click held among the program's resources (PCM WAVE, mono, 11025
// samples per second, 8-bit).
QString Start_Sound_Resource();

// Where sounds go; tests install one of their own.
class Sound_Player {
public:
  virtual ~Sound_Player() = default;
  virtual void play(const QString& resource) = 0;
};

// nullptr restores the sound device. The caller keeps ownership.
void install_sound_player(Sound_Player* player);

// Plays the start sound without waiting. No sound device is no failure, and nothing is shown.
void PlayPOP();
