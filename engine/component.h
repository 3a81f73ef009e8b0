// The small component base: owner, name, tag, and the notify-event type.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace ks {

class TksComponent;
using TNotifyEvent = std::function<void(TksComponent* sender)>;

class TksComponent {
 public:
  explicit TksComponent(TksComponent* owner = nullptr) : owner_(owner) {}
  virtual ~TksComponent() = default;
  TksComponent(const TksComponent&) = delete;
  TksComponent& operator=(const TksComponent&) = delete;

  TksComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  void SetName(const std::string& n) { name_ = n; }
  int64_t Tag() const { return tag_; }
  void SetTag(int64_t t) { tag_ = t; }

 private:
  TksComponent* owner_;
  std::string name_;
  int64_t tag_ = 0;
};

}  // namespace ks
