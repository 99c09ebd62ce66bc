#include "qt/PlotWindow.h"

#include <QAreaSeries>
#include <QBarCategoryAxis>
#include <QBoxPlotSeries>
#include <QBoxSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QImage>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QMenu>
#include <QPainter>
#include <QRegularExpression>
#include <QScatterSeries>
#include <QSpinBox>
#include <QSvgGenerator>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace tallyfold {

namespace {

QString text(const std::string& s) { return QString::fromStdString(s); }

QString number(double v) { return QString::number(v, 'g', 6); }

// Tooltips: the value under the cursor, with the point's own words.
void addTooltips(QXYSeries* series, const PlotSeries& described) {
  QObject::connect(series, &QXYSeries::hovered, series, [series, described](const QPointF& point, bool state) {
    if (!state) {
      QToolTip::hideText();
      return;
    }
    QString tip = series->name() + ": " + number(point.x()) + ", " + number(point.y());
    for (std::size_t i = 0; i < described.points.size() && i < described.labels.size(); ++i) {
      if (std::abs(described.points[i].x - point.x()) <= 1e-9 * std::max(1.0, std::abs(point.x()))) {
        tip = series->name() + ": " + text(described.labels[i]);
      }
    }
    QToolTip::showText(QCursor::pos(), tip);
  });
}

// The left and right edge of a bar: barWidth in units of x, or in decades
// on a logarithmic x axis.
std::pair<double, double> barEdges(const PlotSeries& described, double x, bool logX) {
  const double half = described.barWidth / 2.0;
  if (logX) return {x * std::pow(10.0, -half), x * std::pow(10.0, half)};
  return {x - half, x + half};
}

// Bars as one filled area: a step outline up to each bar's top and back to
// its bottom.
QAreaSeries* barArea(const PlotSeries& described, bool logX) {
  auto* upper = new QLineSeries;
  auto* lower = new QLineSeries;
  for (std::size_t i = 0; i < described.points.size(); ++i) {
    const PlotPoint& p = described.points[i];
    const double bottom = i < described.lower.size() ? described.lower[i] : 0.0;
    const auto [left, right] = barEdges(described, p.x, logX);
    upper->append({QPointF(left, bottom), QPointF(left, p.y), QPointF(right, p.y), QPointF(right, bottom)});
    lower->append({QPointF(left, bottom), QPointF(left, bottom), QPointF(right, bottom), QPointF(right, bottom)});
  }
  auto* area = new QAreaSeries(upper, lower);
  return area;
}

// A value axis, logarithmic (base 10, minor ticks between the decades) or
// linear, with plain numbers.
QAbstractAxis* valueAxis(bool logarithmic) {
  if (logarithmic) {
    auto* log = new QLogValueAxis;
    log->setBase(10.0);
    log->setLabelFormat("%g");
    log->setMinorTickCount(-1);
    return log;
  }
  auto* linear = new QValueAxis;
  linear->setLabelFormat("%g");
  return linear;
}

}  // namespace

PlotWindow::PlotWindow(PlotDescription plot, QWidget* parent) : QWidget(parent), plot_(std::move(plot)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  if (plot_.views.size() > 1) {
    selector_ = new QComboBox;
    for (const PlotView& v : plot_.views) selector_->addItem(text(v.name));
    layout->addWidget(selector_);
    connect(selector_, &QComboBox::currentIndexChanged, this, [this](int index) { showView(index); });
  }
  view_ = new QChartView;
  view_->setRenderHint(QPainter::Antialiasing);
  layout->addWidget(view_, 1);
  setWindowTitle(text(plot_.title));
  showView(std::clamp(plot_.initialView, 0, std::max(0, static_cast<int>(plot_.views.size()) - 1)));
}

QChart* PlotWindow::chart() const { return view_->chart(); }

void PlotWindow::showView(int index) {
  if (index < 0 || index >= static_cast<int>(plot_.views.size())) return;
  current_ = index;
  if (selector_ && selector_->currentIndex() != index) selector_->setCurrentIndex(index);
  const PlotView& view = plot_.views[static_cast<std::size_t>(index)];
  auto* chart = new QChart;
  chart->setTitle(text(plot_.title) + (plot_.views.size() > 1 ? " (" + text(view.name) + ")" : QString()));
  chart->legend()->setAlignment(Qt::AlignBottom);

  const bool logX = plot_.logX || view.logX;
  QAbstractAxis* xAxis = nullptr;
  if (!plot_.categories.empty()) {
    auto* categories = new QBarCategoryAxis;
    for (const std::string& c : plot_.categories) categories->append(text(c));
    xAxis = categories;
  } else {
    xAxis = valueAxis(logX);
  }
  xAxis->setTitleText(text(plot_.xLabel));
  QAbstractAxis* yAxis = valueAxis(view.logY);
  yAxis->setTitleText(text(view.yLabel));
  chart->addAxis(xAxis, Qt::AlignBottom);
  chart->addAxis(yAxis, Qt::AlignLeft);

  // Bars and boxes stand on zero; curves get the range of their values.
  bool fromZero = false;
  double yMin = std::numeric_limits<double>::infinity();
  double yMax = -yMin;
  double xMin = yMin;
  double xMax = -yMin;
  const auto extend = [&](double x, double y) {
    if (std::isfinite(y)) {
      yMin = std::min(yMin, y);
      yMax = std::max(yMax, y);
    }
    if (std::isfinite(x)) {
      xMin = std::min(xMin, x);
      xMax = std::max(xMax, x);
    }
  };

  for (const PlotSeries& s : view.series) {
    QAbstractSeries* series = nullptr;
    switch (s.kind) {
      case SeriesKind::line:
      case SeriesKind::lineWithMarkers: {
        auto* line = new QLineSeries;
        for (const PlotPoint& p : s.points) line->append(p.x, p.y);
        line->setPointsVisible(s.kind == SeriesKind::lineWithMarkers);
        addTooltips(line, s);
        series = line;
        break;
      }
      case SeriesKind::markers: {
        auto* scatter = new QScatterSeries;
        scatter->setMarkerSize(10.0);
        for (const PlotPoint& p : s.points) scatter->append(p.x, p.y);
        addTooltips(scatter, s);
        series = scatter;
        break;
      }
      case SeriesKind::bars: {
        fromZero = true;
        QAreaSeries* area = barArea(s, logX);
        QColor fill(70, 130, 180, 150);
        area->setBrush(fill);
        area->setPen(QPen(fill.darker(), 1.0));
        addTooltips(area->upperSeries(), s);
        for (std::size_t i = 0; i < s.lower.size(); ++i) extend(s.points[i].x, s.lower[i]);
        if (s.lower.empty()) extend(s.points.empty() ? 0.0 : s.points.front().x, 0.0);
        for (const PlotPoint& p : s.points) {
          const auto [left, right] = barEdges(s, p.x, logX);
          extend(left, p.y);
          extend(right, p.y);
        }
        series = area;
        break;
      }
      case SeriesKind::boxes: {
        fromZero = true;
        auto* boxes = new QBoxPlotSeries;
        for (std::size_t i = 0; i < s.boxes.size(); ++i) {
          const auto& b = s.boxes[i];
          auto* set = new QBoxSet(i < plot_.categories.size() ? text(plot_.categories[i]) : QString());
          if (std::isfinite(b[0])) {
            set->setValue(QBoxSet::LowerExtreme, b[0]);
            set->setValue(QBoxSet::LowerQuartile, b[1]);
            set->setValue(QBoxSet::Median, b[2]);
            set->setValue(QBoxSet::UpperQuartile, b[3]);
            set->setValue(QBoxSet::UpperExtreme, b[4]);
            for (double v : b) extend(std::numeric_limits<double>::quiet_NaN(), v);
          }
          boxes->append(set);
        }
        connect(boxes, &QBoxPlotSeries::hovered, boxes, [](bool state, QBoxSet* set) {
          if (!state || !set) {
            QToolTip::hideText();
            return;
          }
          QToolTip::showText(QCursor::pos(), set->label() + ": median " + number(set->at(QBoxSet::Median)) +
                                                 ", quartiles " + number(set->at(QBoxSet::LowerQuartile)) + " to " +
                                                 number(set->at(QBoxSet::UpperQuartile)) + ", range " +
                                                 number(set->at(QBoxSet::LowerExtreme)) + " to " +
                                                 number(set->at(QBoxSet::UpperExtreme)));
        });
        series = boxes;
        break;
      }
    }
    if (s.kind != SeriesKind::bars && s.kind != SeriesKind::boxes) {
      for (const PlotPoint& p : s.points) extend(p.x, p.y);
    }
    series->setName(text(s.name));
    chart->addSeries(series);
    series->attachAxis(xAxis);
    series->attachAxis(yAxis);
  }
  // Linear axes end on round numbers a little beyond the data; logarithmic
  // ones a factor beyond, so markers at the ends stay whole.
  const auto fit = [](QAbstractAxis* axis, double low, double high, double pad) {
    if (auto* linear = qobject_cast<QValueAxis*>(axis)) {
      linear->setRange(low - pad, high + pad);
      linear->applyNiceNumbers();
      // Counts and sizes do not go below 0: neither does their axis.
      if (low >= 0.0 && linear->min() < 0.0) linear->setMin(0.0);
    } else if (low > 0.0) {
      axis->setRange(low / 1.5, high * 1.5);
    }
  };
  if (std::isfinite(yMin)) {
    if (fromZero && !view.logY) yMin = std::min(0.0, yMin);
    const double span = yMax > yMin ? yMax - yMin : std::max(1.0, std::abs(yMax));
    fit(yAxis, yMin, yMax, (fromZero && yMin >= 0.0) ? 0.0 : 0.05 * span);
  }
  if (plot_.categories.empty() && std::isfinite(xMin) && xMax >= xMin) {
    fit(xAxis, xMin, xMax, xMax > xMin ? 0.02 * (xMax - xMin) : 1.0);
  }
  QChart* old = view_->chart();
  view_->setChart(chart);
  delete old;
}

QSize PlotWindow::defaultSize(bool svg) const {
  return svg ? view_->size() : view_->size() * view_->devicePixelRatioF();
}

// The file is the window's picture scaled to `size` (its aspect ratio kept,
// centred): a PNG of exactly size.width() x size.height() pixels on white,
// an SVG whose viewBox is that size.
bool PlotWindow::save(const QString& path, QSize size) const {
  const bool svgFile = QFileInfo(path).suffix().compare("svg", Qt::CaseInsensitive) == 0;
  const QSize target = size.isEmpty() ? defaultSize(svgFile) : size;
  if (target.isEmpty()) return false;
  if (svgFile) {
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(target);
    svg.setViewBox(QRect(QPoint(0, 0), target));
    svg.setTitle(chart()->title());
    QPainter painter;
    if (!painter.begin(&svg)) return false;
    view_->render(&painter, QRectF(QPointF(0, 0), target), view_->rect());
    return painter.end();
  }
  QImage image(target, QImage::Format_ARGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  view_->render(&painter, QRectF(QPointF(0, 0), target), view_->rect());
  painter.end();
  return image.save(path, "PNG");
}

QString PlotWindow::saveAs(const QString& path, const QString& nameFilter, QSize size) const {
  QString target = path;
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix != QStringLiteral("png") && suffix != QStringLiteral("svg")) {
    static const QRegularExpression pattern(QStringLiteral("\\*\\.(\\w+)"));
    const QRegularExpressionMatch match = pattern.match(nameFilter);
    target += QStringLiteral(".") + (match.hasMatch() ? match.captured(1).toLower() : QStringLiteral("png"));
  }
  return save(target, size) ? target : QString();
}

bool PlotWindow::saveWithDialog() {
  const QString svgFilter = tr("SVG drawing (*.svg)");
  QString filter;
  const QString path = QFileDialog::getSaveFileName(this, tr("Save Plot As"), text(plot_.title) + ".png",
                                                    tr("PNG image (*.png);;") + svgFilter, &filter);
  if (path.isEmpty()) return false;
  const QString suffix = QFileInfo(path).suffix().toLower();
  const bool svg = suffix == QStringLiteral("svg") || (suffix != QStringLiteral("png") && filter == svgFilter);

  // The size in pixels, the default filled in; cancel writes nothing.
  QDialog ask(this);
  ask.setWindowTitle(tr("Plot Size"));
  auto* form = new QFormLayout(&ask);
  const QSize initial = defaultSize(svg);
  const auto field = [](int value) {
    auto* box = new QSpinBox;
    box->setRange(200, 8000);
    box->setSuffix(QStringLiteral(" px"));
    box->setValue(value);
    return box;
  };
  QSpinBox* width = field(initial.width());
  QSpinBox* height = field(initial.height());
  form->addRow(tr("Width"), width);
  form->addRow(tr("Height"), height);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, &ask, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, &ask, &QDialog::reject);
  form->addRow(buttons);
  if (ask.exec() != QDialog::Accepted) return false;
  return !saveAs(path, filter, QSize(width->value(), height->value())).isEmpty();
}

void PlotWindow::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  menu.addAction(tr("Save Plot As\u2026"), this, [this] { saveWithDialog(); });
  menu.exec(event->globalPos());
}

}  // namespace tallyfold
