// Event files and the settings file are renamed into place; the folder holding the new name
// reaches the disk before the write is reported done.
#include "metadata/event_file.h"
#include "platform/durable_file.h"
#include "platform/settings.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <mutex>

namespace {

std::mutex synced_mutex;
QStringList synced;

void Record(const QString& folder) {
  const std::lock_guard lock(synced_mutex);
  synced << folder;
}

TEST(Folder_Flush, EventFilesAndSettingsReachTheDiskWithTheirNames) {
  QTemporaryDir dir;
  const QString folder = QFileInfo(dir.path()).absoluteFilePath();
  const std::pair<const char*, std::function<bool()>> writes[] = {
      {"event file",
       [&] {
         Write_Event_File(dir.filePath(QStringLiteral("Spring.xml")), QByteArrayLiteral("<event/>"));
         return true;
       }},
      {"settings",
       [&] { return Write_Ini_Value("Settings", "box_delay", "40", dir.filePath("Doravent_HDMI.ini")) == 1; }},
  };
  for (const auto& [what, write] : writes) {
    SCOPED_TRACE(what);
    synced.clear();
    const Folder_Sync_Observer before = Observe_Folder_Syncs(&Record);
    const bool written = write();
    Observe_Folder_Syncs(before);
    ASSERT_TRUE(written);
    EXPECT_TRUE(synced.contains(folder)) << synced.join(' ').toStdString();
  }
}

} // namespace
