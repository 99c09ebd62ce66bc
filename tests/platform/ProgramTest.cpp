// The whole windowed program, offscreen: start, open a data file, calculate.
#include <QAction>
#include <QMenu>
#include <gtest/gtest.h>

#include "ProgramDriver.h"
#include "QtTestSupport.h"
#include "shell/GlobalVar.h"

namespace tallyfold {
namespace {

QString example(const char* name) { return QString::fromUtf8(TALLYFOLD_EXAMPLES_DIR) + "/" + name; }

TEST(Program, StartsOpensADataFileAndCalculates) {
  QtWindowServices services;
  startProgram(services);

  QStringList captions;
  for (int menu = 1; menu <= 3; ++menu) {
    captions << services.menu(menu)->title();
    for (QAction* a : services.menu(menu)->actions()) captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
  }
  EXPECT_EQ(captions, (QStringList{"&File", "&Open Data", "-", "E&xit", "&Calculation", "&Calculating Population Size",
                                   "&Simulation", "&Start Simulation", "&Start Bootstrap",
                                   "&Start Simulation Poisson-Gamma"}));
  EXPECT_EQ(services.statusBarText(), QStringLiteral("Waiting"));
  EXPECT_TRUE(drawnTexts(services, 12).contains(QStringLiteral("Tallyfold")));

  openDataFile(services, example("cottontail.txt"));
  ASSERT_TRUE(processEventsUntil([] { return globalVar().dataAvailable == 1; }));
  const QStringList data = drawnTexts(services, 12);
  ASSERT_EQ(data.size(), 3 + 2 * 7);
  EXPECT_TRUE(data[0].startsWith(QStringLiteral("Datafile:   ")));
  EXPECT_TRUE(data[0].endsWith(QStringLiteral("cottontail.txt")));
  EXPECT_EQ(data[4], QStringLiteral("43"));
  EXPECT_EQ(data.last(), QStringLiteral("1"));

  ASSERT_TRUE(calculate(services, QStringLiteral("NPMLE")));
  EXPECT_EQ(globalVar().stopCriterion, 1);
  EXPECT_EQ(services.statusBarText(), QStringLiteral("Waiting"));
  EXPECT_EQ(services.canvas(19), nullptr) << "the LOG window is deleted at the end";
  const QStringList results = drawnTexts(services, 25);
  ASSERT_FALSE(results.isEmpty());
  EXPECT_TRUE(results[0].contains(QStringLiteral("Non-Parametric Maximum Likelihood Estimation")));
  EXPECT_TRUE(results.contains(QStringLiteral(" Chao   f0=f1*f1/(2*f2)")));
  // The Chao row of the cottontail data: 43 * 43 / (2 * 16) = 57.8 -> 58.
  EXPECT_TRUE(results.contains(QStringLiteral("  n0") + QString(15, QChar(0x20)) + QStringLiteral("58"))) << results.join('\n').toStdString();

  setWindowServices(nullptr);
}

}  // namespace
}  // namespace tallyfold
