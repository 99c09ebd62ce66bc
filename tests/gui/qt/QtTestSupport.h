#pragma once
// Helpers of the Qt tests: waiting while the event loop runs, and playing
// the user of a modal window that opens later.
#include <QImage>
#include <QRect>
#include <functional>

class QWidget;

namespace tallyfold {

// Processes events until `done` holds or `timeoutMs` passes; returns done().
bool processEventsUntil(const std::function<bool()>& done, int timeoutMs = 5000);

// Once a modal widget is shown (by the interface thread, perhaps on behalf
// of a worker), `user` is called with it from the event loop.
void whenModalShown(std::function<void(QWidget*)> user);
// The same for the first modal widget that `wanted` accepts.
void whenModalShown(std::function<bool(QWidget*)> wanted, std::function<void(QWidget*)> user);

// The smallest rectangle holding every pixel of `image` darker than the
// middle grey inside `area`; empty when there is none.
QRect inkBounds(const QImage& image, const QRect& area);

}  // namespace tallyfold
