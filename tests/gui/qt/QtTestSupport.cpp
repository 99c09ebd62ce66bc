#include "QtTestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <memory>

namespace tallyfold {

bool processEventsUntil(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > timeoutMs) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

void whenModalShown(std::function<void(QWidget*)> user) {
  whenModalShown([](QWidget*) { return true; }, std::move(user));
}

void whenModalShown(std::function<bool(QWidget*)> wanted, std::function<void(QWidget*)> user) {
  auto* poll = new QTimer;
  poll->setInterval(5);
  QObject::connect(poll, &QTimer::timeout, poll, [poll, wanted = std::move(wanted), user = std::move(user)] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || !wanted(modal)) return;
    poll->stop();
    poll->deleteLater();
    user(modal);
  });
  poll->start();
}

QRect inkBounds(const QImage& image, const QRect& area) {
  QRect bounds;
  const QRect clipped = area.intersected(image.rect());
  for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
    for (int x = clipped.left(); x <= clipped.right(); ++x) {
      if (qGray(image.pixel(x, y)) < 128) bounds = bounds.united(QRect(x, y, 1, 1));
    }
  }
  return bounds;
}

}  // namespace tallyfold
