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
  // Saves the chart as PNG or SVG (by the file's suffix) at `size`, or at
  // the window's size when `size` is empty; false when it cannot be written.
  bool save(const QString& path, QSize size = {}) const;
  // Asks for a file name and saves; false when cancelled or not written.
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
