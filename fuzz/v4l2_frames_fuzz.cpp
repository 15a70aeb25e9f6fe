// Camera frames of arbitrary bytes and lengths through the V4L2 backend, from a scripted device
// of random pixel format, size and row padding, into the capture source that cuts the centred
// crop and keeps it for the writer. Every kept frame is one whole crop; no frame is delivered
// that the device did not fill; a delivered frame that could not be converted is counted as
// lost, never kept.
//
// Input: pixel format, width, height, row padding, crop width and height, then frames, each
// a two-byte length, a byte of flags (clock, error, lost frames before it) and its bytes.
#include "fuzz_support.h"

#include "capture/capture_hdmi.h"
#include "capture/v4l2_device.h"
#include "mock/fake_v4l2_device.h"
#include "recording/frame_buffers.h"

#include <QCoreApplication>
#include <linux/videodev2.h>

namespace {

constexpr uint32_t fourccs[] = {V4L2_PIX_FMT_YUYV,  V4L2_PIX_FMT_UYVY,  V4L2_PIX_FMT_NV12,
                                V4L2_PIX_FMT_RGB24, V4L2_PIX_FMT_BGR24, V4L2_PIX_FMT_MJPEG};
constexpr int32_t Most_Frames = 6;
const std::string device_path = "/fake/video0";

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  fuzz::Start(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input input(data, size);
  Fake_V4l2_Camera camera;
  camera.path = device_path;
  camera.card = "Fuzzed grabber";
  camera.bus_info = "usb-1";
  const uint32_t fourcc = fourccs[input.Byte() % std::size(fourccs)];
  const auto width = static_cast<uint32_t>(input.Range(1, 320));
  const auto height = static_cast<uint32_t>(input.Range(1, 240));
  camera.row_padding = input.Byte() < 160 ? 0 : static_cast<uint32_t>(input.Range(1, 64));
  camera.formats = {{fourcc, {{width, height, {{1, 25}}}}}};
  const int32_t crop_width = input.Range(1, 320);
  const int32_t crop_height = input.Range(1, 240);

  Fake_V4l2 io;
  io.Add_Device(camera);
  std::vector<std::unique_ptr<Capture_Device>> devices;
  devices.push_back(std::make_unique<V4l2_Device>(io, QString::fromStdString(device_path), QStringLiteral("Fuzzed"),
                                                  QStringLiteral("usb-1"), QStringLiteral("fakecam"),
                                                  std::vector<V4l2_Mode>{{fourcc, width, height, 1, 25}}));
  Frame_List kept;
  {
    cls_Capture_HDMI source(std::make_unique<Capture_Component>(std::move(devices)), kept);
    fuzz::Check(source.Use_Source(1, 0, false), "the scripted device is the source");
    source.set_HDMI_Crop(crop_width, crop_height);
    source.set_Post_linear(true);
    int32_t delivered = 0;
    int32_t converted = 0;
    QObject::connect(&source, &cls_Capture_HDMI::HDMIreceived, [&](const Frame_Stamp& stamp) {
      ++delivered;
      if (source.Last_Frame_Converted()) ++converted;
      source.Store_HDMI_Buffer(stamp);
    });
    source.Capture_Run();
    fuzz::Check(source.Running(), "the scripted device streams");
    int32_t pushed = 0;
    for (int32_t i = 0; i < Most_Frames && input.Rest_Size() > 0; ++i) {
      const uint16_t wanted = input.U16();
      const uint8_t flags = input.Byte();
      const size_t length = std::min<size_t>(wanted, input.Rest_Size());
      const std::vector<uint8_t> frame(input.Rest(), input.Rest() + length);
      for (size_t skip = 0; skip < length; ++skip)
        input.Byte();
      const bool error_flag = (flags & 2) != 0;
      if (io.Push_Frame(device_path, frame, timeval{1000 + i, 0}, (flags & 1) != 0, (flags >> 2) & 3, error_flag) &&
          !error_flag)
        ++pushed;
      QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    fuzz::Check(delivered <= pushed, "only filled buffers are delivered");
    fuzz::Check(kept.Count() == converted, "every converted frame is kept while capturing");
    fuzz::Check(source.Conversion_Lost() == delivered - converted, "every unconverted frame is counted as lost");
    const int32_t crop_bytes = source.Cropped_Picture().SizeImage();
    for (int32_t k = 1; k <= kept.Count(); ++k)
      fuzz::Check(kept(k)->RGB_Length() == crop_bytes, "a kept frame is one whole crop");
    source.Stop_Capture();
  }
  fuzz::Take_Error_Reports();
  return 0;
}
