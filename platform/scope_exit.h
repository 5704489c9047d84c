#pragma once
// Runs a clean-up on scope exit unless released: all-or-nothing steps.

#include <utility>

namespace orvane {

template <typename Action>
class ScopeExit {
  public:
    explicit ScopeExit(Action action) : action_(std::move(action)) {}
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    ~ScopeExit() {
        if (active_)
            action_();
    }
    void release() { active_ = false; }

  private:
    Action action_;
    bool active_ = true;
};

}  // namespace orvane
