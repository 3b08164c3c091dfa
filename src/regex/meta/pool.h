// A pool of per-search scratch objects, so one compiled expression can be
// searched from several threads while each search reuses warm scratch.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace kc::regex::meta {

// Hands out objects made by `make`, taking them back when the lease ends.
// Thread-safe. Neither copyable nor movable (leases point into it).
template <class T>
class Pool {
 public:
  explicit Pool(std::function<std::unique_ptr<T>()> make) : make_(std::move(make)) {}
  Pool(const Pool&) = delete;
  Pool& operator=(const Pool&) = delete;

  // Exclusive use of one object until destroyed. Movable.
  class Lease {
   public:
    Lease(const Pool* pool, std::unique_ptr<T> obj) : pool_(pool), obj_(std::move(obj)) {}
    Lease(Lease&&) noexcept = default;
    Lease& operator=(Lease&&) = delete;
    ~Lease() {
      if (obj_) pool_->put(std::move(obj_));
    }
    T& operator*() const { return *obj_; }
    T* operator->() const { return obj_.get(); }

   private:
    const Pool* pool_;
    std::unique_ptr<T> obj_;
  };

  Lease get() const {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!free_.empty()) {
        std::unique_ptr<T> obj = std::move(free_.back());
        free_.pop_back();
        return Lease(this, std::move(obj));
      }
    }
    return Lease(this, make_());
  }

 private:
  void put(std::unique_ptr<T> obj) const {
    std::lock_guard<std::mutex> lock(mutex_);
    free_.push_back(std::move(obj));
  }

  std::function<std::unique_ptr<T>()> make_;
  mutable std::mutex mutex_;
  mutable std::vector<std::unique_ptr<T>> free_;
};

}  // namespace kc::regex::meta
