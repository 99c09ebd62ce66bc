#include "windows/WindowServices.h"

#include <atomic>
#include <cassert>

namespace tallyfold {

namespace {
std::atomic<WindowServices*> current{nullptr};
}

WindowServices& windows() {
  WindowServices* services = current.load();
  assert(services != nullptr && "window services used before setWindowServices");
  return *services;
}

void setWindowServices(WindowServices* services) { current.store(services); }

}  // namespace tallyfold
