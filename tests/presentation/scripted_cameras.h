#pragma once
// Capture components over scripted V4L2 cameras followed by the synthetic camera, made afresh
// at every call, as the source-selection window asks for them.
#include "capture/capture_component.h"
#include "capture/synthetic_camera.h"
#include "capture/v4l2_device.h"
#include "mock/fake_v4l2_device.h"

#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct Scripted_Cameras {
  Fake_V4l2 io;
  QTemporaryDir sys; // stands in for /sys/class/video4linux
  int cameras = 0;
  int components_made = 0;
  bool with_synthetic = true;

  // The camera becomes /fake/videoN, N counting from 0 in the order added.
  std::string Add(Fake_V4l2_Camera camera) {
    const std::string name = "video" + std::to_string(cameras++);
    camera.path = "/fake/" + name;
    io.Add_Device(camera);
    QFile entry(sys.filePath(QString::fromStdString(name)));
    if (!entry.open(QIODevice::WriteOnly)) return {};
    return camera.path;
  }
  std::unique_ptr<Capture_Component> Make() {
    ++components_made;
    auto devices = Enumerate_V4l2_Devices(io, sys.path(), QStringLiteral("/fake"));
    if (with_synthetic) devices.push_back(std::make_unique<Synthetic_Camera>());
    return std::make_unique<Capture_Component>(std::move(devices));
  }
  std::function<std::unique_ptr<Capture_Component>()> Factory() {
    return [this] { return Make(); };
  }
};
