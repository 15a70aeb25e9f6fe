#include "presentation/window_capture.h"

#include "platform/error_report.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QPixmap>
#include <QWidget>

QImage Capture_Form_Picture(QWidget* window) {
  if (!window) return {};
  QWidget* top = window->window();
  return top->grab().toImage();
}

QImage Capture_Client_Picture(QWidget* window) {
  if (!window) return {};
  QRect client = window->contentsRect();
  if (auto* main = qobject_cast<QMainWindow*>(window)) {
    const QWidget* menu = main->menuWidget();
    if (menu && menu->isVisible()) client.setTop(std::max(client.top(), menu->geometry().bottom() + 1));
  }
  if (client.isEmpty()) return {};
  return window->grab(client).toImage();
}

bool Capture_Form_Picture(QWidget* window, cDIBSection& into) {
  return into.CreateFromPicture(Capture_Form_Picture(window));
}

void Copy_Form_Picture(QWidget* window) {
  const QImage picture = Capture_Form_Picture(window);
  if (picture.isNull()) throw Dora_Error(480, QStringLiteral("The window has no picture"));
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->clear();
  clipboard->setImage(picture);
}

bool Capture_Client_Picture(QWidget* window, cDIBSection& into) {
  return into.CreateFromPicture(Capture_Client_Picture(window));
}
