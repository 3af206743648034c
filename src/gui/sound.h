// The sound after a computer move: the embedded wave "T1", played without blocking.
#pragma once

#include <memory>

class QSoundEffect;

namespace tavrel {

class TSound {
 public:
  TSound();
  ~TSound();
  // Starts the sound and returns at once. Without an audio device nothing is heard and
  // nothing is reported.
  void Play();

 private:
  std::unique_ptr<QSoundEffect> effect_;
};

}  // namespace tavrel
