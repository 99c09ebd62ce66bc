#pragma once
// A plot window: a chart of a plot description (Qt Charts), with a selector
// when the plot has several views, tooltips that show the value under the
// cursor, and a context menu that saves what it shows as PNG or SVG.
#include <QSize>
#include <QString>
#include <QWidget>

#include "windows/PlotDescription.h"

class QChart;
class QChartView;
class QComboBox;

namespace tallyfold {

class PlotWindow : public QWidget {
  Q_OBJECT
 public:
  explicit PlotWindow(PlotDescription plot, QWidget* parent = nullptr);

  const PlotDescription& plot() const { return plot_; }
  int currentView() const { return current_; }
  void showView(int index);
  QChart* chart() const;
  // Saves the chart as PNG or SVG (by the file's suffix) at `size` pixels,
  // or at defaultSize() when `size` is empty; false when it cannot be
  // written.
  bool save(const QString& path, QSize size = {}) const;
  // Saves as the save dialog's answer: a name without a .png or .svg suffix
  // gets the suffix of `nameFilter` ("SVG drawing (*.svg)"). Returns the
  // path written, empty when nothing was.
  QString saveAs(const QString& path, const QString& nameFilter, QSize size) const;
  // The size a file gets unless another is chosen: a PNG the chart's size in
  // device pixels (twice its size on a screen of pixel ratio 2, so the
  // image is as sharp as the screen), an SVG the chart's size.
  QSize defaultSize(bool svg) const;
  // Asks for a file name, then for the size; false when either is
  // cancelled or the file is not written.
  bool saveWithDialog();

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  PlotDescription plot_;
  int current_ = -1;
  QComboBox* selector_ = nullptr;
  QChartView* view_ = nullptr;
};

}  // namespace tallyfold
