// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <array>
#include <cstring>
#include <functional>
#include <type_traits>
#include <utility>

namespace dmm {

// A handler of a controller or device event: a function bound to an object. Two handlers are
// equal when they call the same function, whichever object they are bound to; the controller
// uses this to hand a new handler on only to the devices that still have the old one.
template <class Signature>
class HidEvent;

template <class Result, class... Args>
class HidEvent<Result(Args...)> {
public:
    HidEvent() = default;

    // A member function of `object`.
    template <class Object>
    HidEvent(Object* object, Result (Object::*method)(Args...))
        : call_([object, method](Args... args) { return (object->*method)(args...); }) {
        static_assert(sizeof method <= sizeof(Key));
        std::memcpy(key_.data(), &method, sizeof method);
    }

    // Any callable, identified by `function` (one address per distinct function).
    HidEvent(std::function<Result(Args...)> call, const void* function) : call_(std::move(call)) {
        std::memcpy(key_.data(), &function, sizeof function);
    }

    explicit operator bool() const { return static_cast<bool>(call_); }
    Result operator()(Args... args) const { return call_(std::forward<Args>(args)...); }
    bool operator==(const HidEvent& other) const {
        return static_cast<bool>(call_) == static_cast<bool>(other.call_) && key_ == other.key_;
    }

private:
    using Key = std::array<unsigned char, 2 * sizeof(void*)>;
    std::function<Result(Args...)> call_;
    Key key_{};
};

}  // namespace dmm
