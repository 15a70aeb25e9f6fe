#include "platform/memory_available.h"

#include <QByteArray>
#include <QFile>
#include <algorithm>

int64_t Memory_Available_Bytes() {
  QFile meminfo(QStringLiteral("/proc/meminfo"));
  if (!meminfo.open(QIODevice::ReadOnly)) return -1;
  // The file is a few dozen short lines; a line longer than this is no line of it.
  while (!meminfo.atEnd()) {
    const QByteArray line = meminfo.readLine(256);
    if (!line.startsWith("MemAvailable:")) continue;
    const QList<QByteArray> parts = line.simplified().split(' ');
    bool ok = false;
    const int64_t kb = parts.size() >= 2 ? parts.at(1).toLongLong(&ok) : 0;
    return ok && kb >= 0 && kb < (INT64_MAX >> 10) ? kb << 10 : -1;
  }
  return -1;
}

int64_t Held_Frames_Ceiling(int64_t available_bytes, int64_t setting_mb) {
  const int64_t cap_mb = setting_mb > 0 ? std::min(setting_mb, Held_Frames_Cap_MB) : Held_Frames_Cap_MB;
  const int64_t cap = cap_mb << 20;
  return available_bytes >= 0 ? std::min(cap, available_bytes / 2) : cap;
}
