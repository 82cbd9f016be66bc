#include "handle_registry.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace zebdpi {

namespace {

// Handles are serial numbers, never addresses and never reused, so a
// destroyed handle stays unknown even when a new model takes its memory.
struct Registry {
    std::mutex mutex;
    std::uintptr_t last = 0;
    std::unordered_map<std::uintptr_t, std::unique_ptr<DpiModel>> models;
    std::atomic<std::uint64_t> releases{0};  // models released so far
};

// The model this thread found last, good while no model has been released
// since: a bench calls the same handle every clock, and the lock and the
// map cost more than the call's own work.
struct LastFound {
    const void* handle;
    DpiModel* model;
    std::uint64_t releases;
};
thread_local LastFound last_found{nullptr, nullptr, 0};

std::uintptr_t key(const void* handle) { return reinterpret_cast<std::uintptr_t>(handle); }

Registry& registry() {
    static Registry instance;
    return instance;
}

}  // namespace

void* adopt(std::unique_ptr<DpiModel> model) {
    Registry& r = registry();
    const std::lock_guard<std::mutex> lock(r.mutex);
    r.models.emplace(r.last + 1, std::move(model));
    return reinterpret_cast<void*>(++r.last);
}

DpiModel* find_model(const void* handle) noexcept {
    if (!handle) return nullptr;
    try {
        Registry& r = registry();
        LastFound& seen = last_found;
        if (handle == seen.handle && r.releases.load(std::memory_order_acquire) == seen.releases) return seen.model;
        const std::lock_guard<std::mutex> lock(r.mutex);
        const auto it = r.models.find(key(handle));
        if (it == r.models.end()) return nullptr;
        seen = LastFound{handle, it->second.get(), r.releases.load(std::memory_order_relaxed)};
        return seen.model;
    } catch (...) {
        return nullptr;
    }
}

bool release(const void* handle) noexcept {
    std::unique_ptr<DpiModel> doomed;
    try {
        Registry& r = registry();
        const std::lock_guard<std::mutex> lock(r.mutex);
        const auto it = r.models.find(key(handle));
        if (it == r.models.end()) return false;
        r.releases.fetch_add(1, std::memory_order_release);
        doomed = std::move(it->second);
        r.models.erase(it);
    } catch (...) {
        return false;
    }
    return true;  // the model is destroyed here, outside the lock
}

std::string& orphan_error() {
    thread_local std::string text;
    return text;
}

void report_orphan(const char* function, const char* reason) noexcept {
    try {
        orphan_error() = std::string(function) + ": " + reason;
    } catch (...) {
        orphan_error().clear();
    }
}

}  // namespace zebdpi
