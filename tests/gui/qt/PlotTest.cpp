// The plot windows of the whole program, offscreen: each opens after the
// computation that feeds it, its series are the engines' numbers, and it
// saves as a valid SVG (with the chart's title) and a PNG of the size asked.
#include <QAction>
#include <QApplication>
#include <QAreaSeries>
#include <QChart>
#include <QFile>
#include <QImage>
#include <QLineSeries>
#include <QMenu>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

#include "ProgramDriver.h"
#include "QtTestSupport.h"
#include "estimation/EMtrun_alg.h"
#include "qt/PlotWindow.h"
#include "state/GlobalVar.h"
#include "simulation/OutputFolders.h"

namespace tallyfold {
namespace {

QString example(const char* name) { return QString::fromUtf8(TALLYFOLD_EXAMPLES_DIR) + "/" + name; }

// Chooses the entry of the "&Plots" menu and waits for its window.
PlotWindow* openPlot(QtWindowServices& services, const QString& caption, int unit) {
  QAction* item = menuItem(services, 4, caption);
  if (!item) return nullptr;
  EXPECT_TRUE(item->isEnabled()) << caption.toStdString();
  item->trigger();
  processEventsUntil([&] { return services.plotWindow(unit) != nullptr; }, 30000);
  return services.plotWindow(unit);
}

// The SVG parses as XML and carries the chart's title; the PNG has the size.
void expectSavesAsSvgAndPng(const PlotWindow& plot, const QString& folder) {
  const QString svgPath = folder + "/plot.svg";
  const QString pngPath = folder + "/plot.png";
  ASSERT_TRUE(plot.save(svgPath, QSize(800, 500)));
  ASSERT_TRUE(plot.save(pngPath, QSize(640, 400)));
  QFile svg(svgPath);
  ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
  QXmlStreamReader xml(&svg);
  QString title;
  while (!xml.atEnd()) {
    if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QStringLiteral("title") && title.isEmpty()) {
      title = xml.readElementText();
    }
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  EXPECT_EQ(title, plot.chart()->title());
  EXPECT_EQ(QImage(pngPath).size(), QSize(640, 400));
}

TEST(Plots, EachPlotShowsTheEnginesNumbersAndSaves) {
  QTemporaryDir temp;
  ASSERT_TRUE(temp.isValid());
  setOutputRoot(temp.path().toStdString());
  QtWindowServices services;
  startProgram(services);
  openDataFile(services, example("tenclasses.txt"));
  ASSERT_TRUE(processEventsUntil([] { return globalVar().dataAvailable == 1; }));
  ASSERT_TRUE(calculate(services, QStringLiteral("NPMLE")));
  const GlobalVar& g = globalVar();

  // The gradient curve of the accepted fit is D at its points.
  PlotWindow* gradient = openPlot(services, QStringLiteral("&Gradient Function"), g.gradientPlotUnit);
  ASSERT_NE(gradient, nullptr);
  const auto* curve = qobject_cast<QLineSeries*>(gradient->chart()->series().at(0));
  ASSERT_NE(curve, nullptr);
  ASSERT_EQ(curve->count(), 400);
  for (int i : {0, 150, 399}) {
    const QPointF p = curve->at(i);
    EXPECT_DOUBLE_EQ(p.y(), gradientFunction(p.x(), g.counts, g.lambda, g.weight)) << i;
  }
  expectSavesAsSvgAndPng(*gradient, temp.path());

  // The bars rise to the counts.
  PlotWindow* fit = openPlot(services, QStringLiteral("&Observed and Fitted"), g.fitPlotUnit);
  ASSERT_NE(fit, nullptr);
  const auto* bars = qobject_cast<QAreaSeries*>(fit->chart()->series().at(0));
  ASSERT_NE(bars, nullptr);
  for (std::size_t x = 1; x <= g.counts.size(); ++x) {
    EXPECT_EQ(bars->upperSeries()->at(static_cast<int>(4 * (x - 1) + 1)).y(), g.counts[x - 1]) << x;
  }
  fit->showView(1);  // the hanging rootogram
  expectSavesAsSvgAndPng(*fit, temp.path());

  // The histogram counts every replicate with an estimate once.
  ASSERT_TRUE(bootstrap(services));
  PlotWindow* histogram = openPlot(services, QStringLiteral("&Bootstrap Distribution"), g.bootstrapPlotUnit);
  ASSERT_NE(histogram, nullptr);
  for (int view : {0, 1}) {  // linear and logarithmic bins
    double counted = 0;
    for (const PlotPoint& p : histogram->plot().views.at(view).series.front().points) counted += p.y;
    EXPECT_EQ(counted, g.numReplications) << view;
  }
  expectSavesAsSvgAndPng(*histogram, temp.path());

  globalVar().numReplications = 3;
  globalVar().evaluatePerBootstrap = 0;
  ASSERT_TRUE(simulate(services));
  PlotWindow* boxes = openPlot(services, QStringLiteral("&Simulation Estimates"), g.studyPlotUnit);
  ASSERT_NE(boxes, nullptr);
  EXPECT_EQ(boxes->plot().categories.size(), 7u);
  expectSavesAsSvgAndPng(*boxes, temp.path());

  setOutputRoot(std::nullopt);
  setWindowServices(nullptr);
}

// The save dialog's answer: a name without a suffix and the SVG filter give
// an SVG of the chosen size.
TEST(Plots, SavesAsTheChosenFilterAtTheChosenSize) {
  QTemporaryDir temp;
  PlotDescription description;
  description.views.emplace_back().series.emplace_back().points = {{1.0, 1.0}, {2.0, 3.0}};
  const PlotWindow plot(description);
  ASSERT_EQ(plot.saveAs(temp.path() + "/plot", QStringLiteral("SVG drawing (*.svg)"), QSize(720, 450)),
            temp.path() + "/plot.svg");
  QFile svg(temp.path() + "/plot.svg");
  ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
  QXmlStreamReader xml(&svg);
  while (!xml.atEnd() && !(xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QStringLiteral("svg"))) {
  }
  EXPECT_EQ(xml.attributes().value("viewBox").toString(), QStringLiteral("0 0 720 450"));
}

}  // namespace
}  // namespace tallyfold
