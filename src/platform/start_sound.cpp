#include "platform/start_sound.h"

#include "platform/trace.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>
#include <QUrl>
#include <exception>

#ifdef DORAVENT_HAVE_MULTIMEDIA
#include <QSoundEffect>
#endif

// Outside any namespace, as the resource's initialiser is declared there.
static void init_start_sound_resource() { Q_INIT_RESOURCE(start_sound); }

namespace {

#ifdef DORAVENT_HAVE_MULTIMEDIA
class Device_Player final : public Sound_Player {
public:
  void play(const QString& resource) override {
    QCoreApplication* app = QCoreApplication::instance();
    // The effect belongs to the user-interface thread and ends with the application.
    if (!app || QThread::currentThread() != app->thread()) return;
    if (!effect_) {
      effect_ = new QSoundEffect(app);
      effect_->setSource(QUrl(QStringLiteral("qrc") + resource));
    }
    if (effect_->status() == QSoundEffect::Error) return;
    effect_->stop();
    // Before the sound has loaded, play() starts it as soon as it has.
    effect_->play();
  }

private:
  QPointer<QSoundEffect> effect_;
};
#else
class Device_Player final : public Sound_Player {
public:
  void play(const QString&) override {}
};
#endif

Device_Player& device_player() {
  static Device_Player player;
  return player;
}

Sound_Player* current = nullptr;

} // namespace

QString Start_Sound_Resource() {
  static const bool loaded = (init_start_sound_resource(), true);
  (void)loaded;
  return QStringLiteral(":/sounds/start_pop.wav");
}

void install_sound_player(Sound_Player* player) { current = player; }

void PlayPOP() {
  try {
    Sound_Player& player = current ? *current : device_player();
    player.play(Start_Sound_Resource());
  } catch (const std::exception& failure) {
    Trace_Message("*PlayPOP failed", failure.what());
  } catch (...) {
    Trace_Message("*PlayPOP failed");
  }
}
