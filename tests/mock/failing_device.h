#pragma once
#include <QByteArray>
#include <QIODevice>
#include <algorithm>

// A write-only device that takes `accept_bytes` bytes and then refuses every write, as a full
// disk does.
class Failing_Device final : public QIODevice {
public:
  explicit Failing_Device(qint64 accept_bytes) : limit_(accept_bytes) { open(QIODevice::WriteOnly); }

  QByteArray written;

protected:
  qint64 readData(char* data, qint64 max_size) override {
    (void)data;
    (void)max_size;
    return -1;
  }
  qint64 writeData(const char* data, qint64 size) override {
    const qint64 room = limit_ - written.size();
    if (room <= 0) {
      setErrorString(QStringLiteral("No space left on device"));
      return -1;
    }
    const qint64 take = std::min(size, room);
    written.append(data, take);
    return take;
  }

private:
  qint64 limit_;
};
