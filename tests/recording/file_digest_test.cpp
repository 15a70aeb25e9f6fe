#include "recording/file_digest.h"

#include "mock/scripted_prompts.h"
#include "qn3_tool_run.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString write_file(const QTemporaryDir& dir, const char* name, const QByteArray& bytes) {
  const QString path = dir.filePath(QString::fromLatin1(name));
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
  return path;
}

} // namespace

TEST(File_Digest, Sha256OfTheWholeFile) {
  QTemporaryDir dir;
  // Larger than the read buffer, and not a multiple of it.
  QByteArray big(3 * 1024 * 1024 + 17, '\0');
  for (qsizetype i = 0; i < big.size(); ++i)
    big[i] = static_cast<char>((i * 131) & 0xFF);
  struct Case {
    const char* what;
    QByteArray bytes;
    QString expected;
  };
  const Case cases[] = {
      {"abc", QByteArrayLiteral("abc"),
       QStringLiteral("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad")},
      {"empty", QByteArray(), QStringLiteral("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855")},
      {"big", big, QString::fromLatin1(QCryptographicHash::hash(big, QCryptographicHash::Sha256).toHex())},
  };
  for (const Case& c : cases)
    EXPECT_EQ(File_SHA256_Hex(write_file(dir, c.what, c.bytes)), c.expected) << c.what;
  EXPECT_EQ(File_SHA256_Hex(dir.filePath(QStringLiteral("missing"))), QString());
  EXPECT_EQ(File_SHA256_Hex(dir.path()), QString()); // a folder is no file to digest
}

TEST(File_Digest, InfoPrintsTheSameDigest) {
  Prompts_Guard prompts;
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("demo.qn3"));
  ASSERT_EQ(Run_Tool({"demo", path, "--from", "29000", "--to", "29080", "--crop", "64x48"}).status, 0);
  const QString digest = File_SHA256_Hex(path);
  ASSERT_EQ(digest.size(), 64);

  const Outcome json = Run_Tool({"info", path, "--json"});
  ASSERT_EQ(json.status, 0) << json.err.toStdString();
  EXPECT_EQ(QJsonDocument::fromJson(json.out.toUtf8()).object().value("sha256").toString(), digest);
  const Outcome text = Run_Tool({"info", path});
  EXPECT_TRUE(text.out.contains("sha256: " + digest)) << text.out.toStdString();
}
