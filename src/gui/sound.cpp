#include "gui/sound.h"

#include <QSoundEffect>
#include <QUrl>

namespace tavrel {

TSound::TSound() : effect_(std::make_unique<QSoundEffect>()) {
  effect_->setSource(QUrl(QStringLiteral("qrc:/sound/T1")));
}

TSound::~TSound() = default;

void TSound::Play() {
  effect_->stop();
  effect_->play();
}

}  // namespace tavrel
