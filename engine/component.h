// The small component base: owner, name, tag, free notification and the notify-event
// type.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/export.h"

namespace ks {

class TksComponent;
using TNotifyEvent = std::function<void(TksComponent* sender)>;

class BARVELLO_ENGINE_API TksComponent {
 public:
  explicit TksComponent(TksComponent* owner = nullptr) : owner_(owner) {}
  virtual ~TksComponent() {
    // Tell everyone holding a reference to this component that it goes away.
    auto observers = observers_;
    observers_.clear();
    for (TksComponent* o : observers) {
      o->RemoveObserved(this);
      o->Notification(this);
    }
    for (TksComponent* o : observed_) o->RemoveObserver(this);
  }
  TksComponent(const TksComponent&) = delete;
  TksComponent& operator=(const TksComponent&) = delete;

  TksComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  void SetName(const std::string& n) { name_ = n; }
  int64_t Tag() const { return tag_; }
  void SetTag(int64_t t) { tag_ = t; }

  // `observer` gets Notification(this) when this component is destroyed.
  void FreeNotification(TksComponent* observer) {
    if (!observer || observer == this) return;
    if (std::find(observers_.begin(), observers_.end(), observer) == observers_.end()) {
      observers_.push_back(observer);
      observer->observed_.push_back(this);
    }
  }
  void RemoveFreeNotification(TksComponent* observer) {
    if (!observer) return;
    RemoveObserver(observer);
    observer->RemoveObserved(this);
  }

 protected:
  // Called when a component this one observes is destroyed.
  virtual void Notification(TksComponent*) {}

 private:
  void RemoveObserver(TksComponent* o) { observers_.erase(std::remove(observers_.begin(), observers_.end(), o), observers_.end()); }
  void RemoveObserved(TksComponent* o) { observed_.erase(std::remove(observed_.begin(), observed_.end(), o), observed_.end()); }
  TksComponent* owner_;
  std::string name_;
  int64_t tag_ = 0;
  std::vector<TksComponent*> observers_;
  std::vector<TksComponent*> observed_;
};

}  // namespace ks
