#include "presentation/window_capture.h"

#include <QMainWindow>
#include <QMenuBar>
#include <QPalette>
#include <gtest/gtest.h>

TEST(WindowCapture, WholeWindowAndClientArea) {
  QMainWindow window;
  window.menuBar()->addMenu(QStringLiteral("File"));
  auto* centre = new QWidget;
  centre->setAutoFillBackground(true);
  QPalette palette = centre->palette();
  palette.setColor(QPalette::Window, QColor(10, 20, 30));
  centre->setPalette(palette);
  window.setCentralWidget(centre);
  window.resize(160, 120);
  window.show();
  const QImage whole = Capture_Form_Picture(centre); // any widget names its window
  const QImage client = Capture_Client_Picture(&window);
  EXPECT_EQ(whole.size(), QSize(160, 120) * whole.devicePixelRatio());
  const int menu = window.menuBar()->height();
  EXPECT_EQ(client.height(), (120 - menu) * client.devicePixelRatio());
  EXPECT_EQ(client.pixel(client.width() / 2, client.height() / 2), qRgb(10, 20, 30));

  cDIBSection surface;
  ASSERT_TRUE(Capture_Client_Picture(&window, surface));
  EXPECT_EQ(surface.Width(), client.width());
  EXPECT_TRUE(Capture_Form_Picture(nullptr).isNull());
  EXPECT_FALSE(Capture_Form_Picture(nullptr, surface));
}
