// Writes one heat of the realistic finish table as a recording, to look at it in the window, or
// pictures of it: finish_scene HEAT OUT.qn3 | finish_scene HEAT OUT.png MS [MS...]
#include "scene/finish_heats.h"

#include <QGuiApplication>
#include <QTextStream>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QTextStream err(stderr);
  const QStringList args = app.arguments();
  const std::vector<realistic::Heat_Spec> heats = realistic::Table_Heats();
  bool ok = false;
  const int heat = args.size() >= 3 ? args[1].toInt(&ok) : 0;
  if (!ok || heat < 1 || heat > static_cast<int>(heats.size())) {
    err << "finish_scene HEAT(1.." << heats.size() << ") OUT.qn3 | HEAT OUT.png MS...\n";
    return 2;
  }
  const realistic::Scene scene = realistic::Scene_Of(heats[static_cast<size_t>(heat - 1)], static_cast<uint32_t>(heat));
  const QString out = args[2];
  if (out.endsWith(QStringLiteral(".png"))) {
    const realistic::Camera camera(scene);
    for (int i = 3; i < args.size(); ++i) {
      QString name = out;
      name.replace(QStringLiteral(".png"), QStringLiteral("_%1.png").arg(args[i]));
      if (!camera.Render(args[i].toDouble()).save(name)) return 1;
    }
    return 0;
  }
  QString why;
  if (!realistic::Write_Recording(scene, out, why)) {
    err << "finish_scene: " << why << "\n";
    return 1;
  }
  for (const realistic::Runner& r : scene.runners)
    if (r.crossing_ms) err << "box " << r.box << " crosses at " << *r.crossing_ms << " ms\n";
  return 0;
}
