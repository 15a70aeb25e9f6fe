#pragma once
// Reading printed pages back: the PDF tools of poppler-utils (pdftotext, pdftoppm, pdfinfo,
// pdffonts, pdfimages) run on a file the test printed. A missing tool fails the test.
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRectF>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

namespace pdf_reading {

// The tool's standard output; empty (and a test failure) when it cannot run.
inline QString Run(const QString& tool, const QStringList& args) {
  QProcess process;
  process.start(tool, args);
  if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
    ADD_FAILURE() << tool.toStdString() << " failed: " << process.readAllStandardError().toStdString();
    return {};
  }
  return QString::fromUtf8(process.readAllStandardOutput());
}

inline QString Text(const QString& pdf, int page = 0) {
  QStringList args{QStringLiteral("-layout")};
  if (page > 0) args << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l") << QString::number(page);
  return Run(QStringLiteral("pdftotext"), args << pdf << QStringLiteral("-"));
}

inline QString Info(const QString& pdf) { return Run(QStringLiteral("pdfinfo"), {pdf}); }
inline QString Fonts(const QString& pdf) { return Run(QStringLiteral("pdffonts"), {pdf}); }

inline int Pages(const QString& pdf) {
  const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(Info(pdf));
  return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// The sheet in points, from pdfinfo's "Page size".
inline QSizeF Page_Points(const QString& pdf) {
  const auto m = QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts")).match(Info(pdf));
  return m.hasMatch() ? QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()) : QSizeF();
}

// One page as a picture at the given resolution.
inline QImage Raster(const QString& pdf, int page, int dpi) {
  QTemporaryDir dir;
  const QString stem = dir.filePath(QStringLiteral("page"));
  Run(QStringLiteral("pdftoppm"),
      {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
       QString::number(page), QStringLiteral("-singlefile"), QStringLiteral("-png"), pdf, stem});
  return QImage(stem + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

struct Image_Entry {
  int width = 0;
  int height = 0;
  QString encoding; // "image" (lossless, Flate), "jpeg", ...
};

// pdfimages -list: every picture the document holds, as stored.
inline std::vector<Image_Entry> Images(const QString& pdf) {
  std::vector<Image_Entry> images;
  const QStringList lines = Run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}).split(QLatin1Char('\n'));
  for (const QString& line : lines) {
    const QStringList f = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    // page num type width height color comp bpc enc ...
    if (f.size() < 9 || f.at(2) != QLatin1String("image")) continue;
    images.push_back({f.at(3).toInt(), f.at(4).toInt(), f.at(8)});
  }
  return images;
}

// The pictures the document holds, decoded as stored.
inline std::vector<QImage> Image_Files(const QString& pdf) {
  QTemporaryDir dir;
  Run(QStringLiteral("pdfimages"), {QStringLiteral("-png"), pdf, dir.filePath(QStringLiteral("img"))});
  std::vector<QImage> images;
  const QStringList names = QDir(dir.path()).entryList({QStringLiteral("img-*.png")}, QDir::Files, QDir::Name);
  for (const QString& name : names)
    images.push_back(QImage(dir.filePath(name)).convertToFormat(QImage::Format_RGB32));
  return images;
}

struct Word {
  QString text;
  QRectF box; // points from the sheet's top left
};

// Every word with its box (pdftotext -bbox).
inline std::vector<Word> Words(const QString& pdf) {
  std::vector<Word> words;
  const QString html = Run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
  static const QRegularExpression word(QStringLiteral(
      "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
  for (auto it = word.globalMatch(html); it.hasNext();) {
    const auto m = it.next();
    const QPointF top_left(m.captured(1).toDouble(), m.captured(2).toDouble());
    const QPointF bottom_right(m.captured(3).toDouble(), m.captured(4).toDouble());
    words.push_back({m.captured(5), QRectF(top_left, bottom_right)});
  }
  return words;
}

// The text's lines, trimmed, without empty ones.
inline QStringList Lines(const QString& text) {
  QStringList lines;
  for (const QString& line : text.split(QLatin1Char('\n'))) {
    const QString trimmed = line.trimmed();
    if (!trimmed.isEmpty()) lines << trimmed;
  }
  return lines;
}

} // namespace pdf_reading
