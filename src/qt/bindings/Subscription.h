#pragma once
#include <functional>
#include <memory>

namespace fo::qt {

// A subscription to the change notice of a control or a form that ends with
// whichever of the two goes first. The observed object drops its observers
// when it is destroyed; the token the observer carries then expires, so the
// subscription knows not to unsubscribe from an object that is gone.
template <class Observed>
class Subscription {
public:
    Subscription() = default;
    Subscription(Observed& observed, std::function<void()> onChange) : observed_(&observed) {
        auto token = std::make_shared<char>();
        alive_ = token;
        id_ = observed.subscribe([token, f = std::move(onChange)](const Observed&) { f(); });
    }
    ~Subscription() { reset(); }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    Subscription(Subscription&& o) noexcept { *this = std::move(o); }
    Subscription& operator=(Subscription&& o) noexcept {
        reset();
        observed_ = o.observed_;
        id_ = o.id_;
        alive_ = std::move(o.alive_);
        o.observed_ = nullptr;
        return *this;
    }
    // True while the observed object exists.
    bool alive() const { return observed_ && !alive_.expired(); }
    void reset() {
        if (alive()) observed_->unsubscribe(id_);
        observed_ = nullptr;
        alive_.reset();
    }

private:
    Observed* observed_ = nullptr;
    int id_ = 0;
    std::weak_ptr<char> alive_;
};

}  // namespace fo::qt
