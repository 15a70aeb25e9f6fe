// The finish proposals on finishes that look like real ones (tests/scene), through the command
// as the operator runs it, against the instant each muzzle tip truly reaches the line: no
// proposal further from it than the larger of 3 ms and its stated uncertainty, most finishers
// proposed for sure, and nothing proposed for sure of a dog that did not finish.
#include "mock/scripted_prompts.h"
#include "qn3_tool_run.h"
#include "scene/finish_heats.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <iostream>

namespace {

struct Realistic_Autotime : ::testing::Test {
  QTemporaryDir dir;
  Prompts_Guard prompts;
};

TEST_F(Realistic_Autotime, EveryProposalWithinItsUncertaintyAndMostSure) {
  const std::vector<realistic::Heat_Spec> heats = realistic::Table_Heats();
  ASSERT_GE(heats.size(), 30U);
  int32_t finishers = 0, sure = 0, unsure = 0;
  double worst_sure = 0, worst_ratio = 0;
  for (size_t i = 0; i < heats.size(); ++i) {
    const realistic::Scene scene = realistic::Scene_Of(heats[i], static_cast<uint32_t>(i + 1));
    const QString path = dir.filePath(QStringLiteral("real%1.qn3").arg(i + 1));
    QString why;
    ASSERT_TRUE(realistic::Write_Recording(scene, path, why)) << why.toStdString();
    const QString rows = scene.jackets == realistic::Jackets::American ? "American" : "Common";
    const Outcome o = Run_Tool({"autotime", path, "--json", "--jackets", rows});
    ASSERT_EQ(o.status, 0) << o.err.toStdString();
    const QJsonArray proposals = QJsonDocument::fromJson(o.out.toUtf8()).array();
    ASSERT_EQ(proposals.size(), 6);
    for (const QJsonValue& v : proposals) {
      const QJsonObject p = v.toObject();
      const int box = p["box"].toInt();
      ASSERT_GE(box, 1);
      ASSERT_LE(box, 6);
      const realistic::Runner& runner = scene.runners[static_cast<size_t>(box - 1)];
      const std::string where = "heat " + std::to_string(i + 1) + " box " + std::to_string(box);
      const bool found = p["found"].toBool(), is_unsure = p["unsure"].toBool();
      EXPECT_EQ(is_unsure, !p["reason"].toString().isEmpty()) << where;
      if (!runner.crossing_ms) {
        EXPECT_FALSE(found && !is_unsure) << where << ": the dog did not finish";
        continue;
      }
      ++finishers;
      if (!found) continue;
      (is_unsure ? unsure : sure) += 1;
      const double error = std::abs(p["interpolated_ms"].toDouble() - *runner.crossing_ms);
      const double stated = p["uncertainty_ms"].toDouble();
      EXPECT_GT(stated, 0) << where;
      EXPECT_LE(error, std::max(3.0, stated))
          << where << (is_unsure ? " (unsure: " : " (sure") << p["reason"].toString().toStdString() << ")";
      worst_ratio = std::max(worst_ratio, error / std::max(3.0, stated));
      if (!is_unsure) worst_sure = std::max(worst_sure, error);
    }
  }
  std::cout << heats.size() << " heats, " << finishers << " finishers: " << sure << " sure, " << unsure
            << " unsure; worst sure error " << worst_sure << " ms; worst error / max(3 ms, uncertainty) " << worst_ratio
            << "\n";
  EXPECT_GE(sure, 0.7 * finishers);
}

} // namespace
