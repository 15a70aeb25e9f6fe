#include "app/associate.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString data_home() { return QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME")) + QLatin1Char('/'); }

QString read_text(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString packaging_source(const QString& name) {
  return read_text(QStringLiteral(DORAVENT_TEST_DATA "/../../packaging/") + name);
}

} // namespace

TEST(Associate, DesktopExecQuoting) {
  struct Case {
    const char* path;
    const char* exec;
  };
  const Case cases[] = {
      {"/usr/bin/doravent", R"("/usr/bin/doravent")"}, {"/opt/my apps/doravent", R"("/opt/my apps/doravent")"},
      {"/opt/$HOME/dora", R"("/opt/\\$HOME/dora")"},   {"/opt/a\"b/dora", R"("/opt/a\\"b/dora")"},
      {"/opt/a`b/dora", R"("/opt/a\\`b/dora")"},       {"/opt/a\\b/dora", R"("/opt/a\\\\b/dora")"},
      {"/opt/100%/dora", R"("/opt/100%%/dora")"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Desktop_Exec_Quote(QString::fromUtf8(c.path)), QString::fromUtf8(c.exec)) << c.path;
}

TEST(Associate, InstallsTheMimeTypeDesktopEntryAndIcon) {
  const QString program = QStringLiteral("/opt/race timing/doravent");
  for (int run = 0; run < 2; ++run) { // a second "Associate" rewrites the same files
    ASSERT_TRUE(Associate_File_Type(program)) << run;

    const QString mime = read_text(data_home() + Mime_Package_File);
    EXPECT_EQ(mime, packaging_source(QStringLiteral("doravent-qn3.xml")));
    for (const char* part : {"type=\"application/x-doravent-qn3\"", "<glob pattern=\"*.qn3\"/>",
                             "<glob pattern=\"*.qn2\"/>", "<comment>Doravent data file</comment>"})
      EXPECT_TRUE(mime.contains(QString::fromLatin1(part))) << part;

    const QString entry = read_text(data_home() + Desktop_Entry_File);
    const QStringList lines = entry.split(QLatin1Char('\n'));
    EXPECT_TRUE(lines.contains(QStringLiteral("[Desktop Entry]")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Exec=\"/opt/race timing/doravent\" %f"))) << entry.toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("MimeType=application/x-doravent-qn3;")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Icon=doravent")));
    EXPECT_EQ(lines.filter(QStringLiteral("Exec=")).size(), 1);
    // Apart from the program's path the entry is the packaged one.
    QString source = packaging_source(QStringLiteral("doravent.desktop"));
    source.replace(QStringLiteral("Exec=doravent %f"), QStringLiteral("Exec=\"/opt/race timing/doravent\" %f"));
    EXPECT_EQ(entry, source);

    EXPECT_EQ(read_text(data_home() + Icon_File), packaging_source(QStringLiteral("doravent.svg")));
  }
}

TEST(Associate, FailsWhenTheDataFolderCannotBeWritten) {
  QTemporaryDir dir;
  const QString blocker = dir.filePath(QStringLiteral("not-a-folder"));
  QFile file(blocker);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  const QByteArray saved = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", (blocker + QStringLiteral("/data")).toLocal8Bit());
  const bool associated = Associate_File_Type(QStringLiteral("/usr/bin/doravent"));
  qputenv("XDG_DATA_HOME", saved);
  EXPECT_FALSE(associated);
}
