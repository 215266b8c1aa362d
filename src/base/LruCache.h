#pragma once
// A least-recently-used cache bounded by the total cost of its entries. Reads of pages and
// blocks go through one such cache each, so memory stays bounded whatever the file's size.

#include <cstddef>
#include <list>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <utility>

namespace pellmark::base {

template <typename Key, typename Value>
class LruCache {
  public:
    explicit LruCache(size_t capacity) : capacity_(capacity) {}

    std::optional<Value> get(const Key& key) {
        std::lock_guard lock(mutex_);
        auto it = index_.find(key);
        if (it == index_.end()) return std::nullopt;
        order_.splice(order_.begin(), order_, it->second);
        return it->second->value;
    }

    void put(const Key& key, Value value, size_t cost) {
        std::lock_guard lock(mutex_);
        if (cost > capacity_) return;  // never evict everything for one oversized entry
        if (auto it = index_.find(key); it != index_.end()) {
            used_ -= it->second->cost;
            order_.erase(it->second);
            index_.erase(it);
        }
        order_.push_front(Entry{key, std::move(value), cost});
        index_[key] = order_.begin();
        used_ += cost;
        while (used_ > capacity_ && !order_.empty()) {
            used_ -= order_.back().cost;
            index_.erase(order_.back().key);
            order_.pop_back();
        }
    }

    size_t used() const {
        std::lock_guard lock(mutex_);
        return used_;
    }

  private:
    struct Entry {
        Key key;
        Value value;
        size_t cost;
    };
    size_t capacity_;
    size_t used_ = 0;
    std::list<Entry> order_;
    std::unordered_map<Key, typename std::list<Entry>::iterator> index_;
    mutable std::mutex mutex_;
};

}  // namespace pellmark::base
