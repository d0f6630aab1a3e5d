// Allocation for a layer that never throws: a failed allocation gives null instead.
#pragma once

#include <memory>
#include <new>
#include <utility>

template <typename T, typename... Args>
std::unique_ptr<T> TryMake(Args&&... args) noexcept {
    try {
        return std::make_unique<T>(std::forward<Args>(args)...);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
