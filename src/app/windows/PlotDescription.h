#pragma once
// A plot as the views describe it and a plot window draws it: a title,
// labelled axes, and one or more views (a selector switches between them),
// each a list of series. It holds numbers and words only; the window layer
// chooses how to draw them.
#include <array>
#include <string>
#include <vector>

namespace tallyfold {

struct PlotPoint {
  double x = 0.0;
  double y = 0.0;
};

enum class SeriesKind {
  line,             // a curve through the points
  lineWithMarkers,  // the same with a marker at each point
  markers,          // markers only
  bars,             // a bar of barWidth centred at each x, from lower (or 0) up to y
  boxes,            // one box per category: boxes[i] = lower whisker, lower quartile, median,
                    // upper quartile, upper whisker
};

struct PlotSeries {
  std::string name;  // in the legend
  SeriesKind kind = SeriesKind::line;
  std::vector<PlotPoint> points;
  std::vector<double> lower;        // bars: the bottom of each bar (empty: 0)
  double barWidth = 0.8;            // bars: in units of x; on a logarithmic x axis in
                                    // decades (from x 10^(-barWidth/2) to x 10^(barWidth/2))
  std::vector<std::string> labels;  // markers: a word per point for its tooltip (empty: none)
  std::vector<std::array<double, 5>> boxes;
};

struct PlotView {
  std::string name;  // in the selector
  std::string yLabel;
  bool logY = false;  // a logarithmic value axis (every value above 0)
  bool logX = false;  // a logarithmic x axis in this view (the plot's logX: in every view)
  std::vector<PlotSeries> series;
};

struct PlotDescription {
  std::string title;
  std::string xLabel;
  bool logX = false;
  std::vector<std::string> categories;  // boxes: the x categories, in order
  std::vector<PlotView> views;          // at least one; more get a selector
  int initialView = 0;
};

}  // namespace tallyfold
