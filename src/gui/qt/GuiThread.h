#pragma once
// Running work on the interface thread. Widgets may only be touched there,
// while the window services are called from worker threads too:
//   post  — fire and forget: runs at once on the interface thread, else is
//           queued to it;
//   call  — waits for the result: runs at once on the interface thread,
//           else is queued and the calling worker blocks until it has run.
// Everything one thread posts or calls through the same context runs in the
// order it was issued, because both go through the context's event queue.
#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <optional>
#include <type_traits>
#include <utility>

namespace tallyfold::gui {

inline bool onThreadOf(const QObject* context) { return QThread::currentThread() == context->thread(); }

template <typename F>
void post(QObject* context, F&& work) {
  if (onThreadOf(context)) {
    work();
  } else {
    QMetaObject::invokeMethod(context, std::forward<F>(work), Qt::QueuedConnection);
  }
}

template <typename F>
auto call(QObject* context, F&& work) -> std::invoke_result_t<F&> {
  using Result = std::invoke_result_t<F&>;
  if (onThreadOf(context)) return work();
  if constexpr (std::is_void_v<Result>) {
    QMetaObject::invokeMethod(context, std::forward<F>(work), Qt::BlockingQueuedConnection);
  } else {
    std::optional<Result> result;
    QMetaObject::invokeMethod(context, [&] { result.emplace(work()); }, Qt::BlockingQueuedConnection);
    return std::move(*result);
  }
}

}  // namespace tallyfold::gui
