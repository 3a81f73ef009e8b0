#include "output/ui_platform.h"

#include <atomic>

namespace ks {

namespace {

// Set while static objects are constructed, read afterwards.
std::atomic<TksUiPlatform*>& Slot() {
  static std::atomic<TksUiPlatform*> platform{nullptr};
  return platform;
}

}  // namespace

TksUiPlatform* UiPlatform() { return Slot().load(std::memory_order_acquire); }

void SetUiPlatform(TksUiPlatform* platform) { Slot().store(platform, std::memory_order_release); }

}  // namespace ks
