#pragma once
// A least-recently-used cache bounded by the total cost of its entries. Reads of pages and
// blocks go through one such cache each, so memory stays bounded whatever the file's size.
// The export reads from several threads at once, so the cache is split by key into shards with
// a lock each: one lock for all made the threads wait for each other on every read.

#include <array>
#include <cstddef>
#include <functional>
#include <list>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <utility>

namespace pellmark::base {

template <typename Key, typename Value>
class LruCache {
  public:
    static constexpr size_t kShards = 16;

    // Each shard holds an equal part of `capacity`.
    explicit LruCache(size_t capacity) {
        for (auto& shard : shards_) shard.capacity = capacity / kShards;
    }

    std::optional<Value> get(const Key& key) {
        Shard& s = shardOf(key);
        std::lock_guard lock(s.mutex);
        auto it = s.index.find(key);
        if (it == s.index.end()) return std::nullopt;
        s.order.splice(s.order.begin(), s.order, it->second);
        return it->second->value;
    }

    void put(const Key& key, Value value, size_t cost) {
        Shard& s = shardOf(key);
        std::lock_guard lock(s.mutex);
        if (cost > s.capacity) return;  // never evict everything for one oversized entry
        if (auto it = s.index.find(key); it != s.index.end()) {
            s.used -= it->second->cost;
            s.order.erase(it->second);
            s.index.erase(it);
        }
        s.order.push_front(Entry{key, std::move(value), cost});
        s.index[key] = s.order.begin();
        s.used += cost;
        while (s.used > s.capacity && !s.order.empty()) {
            s.used -= s.order.back().cost;
            s.index.erase(s.order.back().key);
            s.order.pop_back();
        }
    }

    size_t used() const {
        size_t total = 0;
        for (const auto& s : shards_) {
            std::lock_guard lock(s.mutex);
            total += s.used;
        }
        return total;
    }

  private:
    struct Entry {
        Key key;
        Value value;
        size_t cost;
    };
    struct Shard {
        size_t capacity = 0;
        size_t used = 0;
        std::list<Entry> order;
        std::unordered_map<Key, typename std::list<Entry>::iterator> index;
        mutable std::mutex mutex;
    };

    Shard& shardOf(const Key& key) {
        // Keys are often offsets or ids in steps of a power of two: mix the bits first.
        const size_t h = std::hash<Key>{}(key)*0x9E3779B97F4A7C15ull;
        return shards_[h >> 60];
    }

    std::array<Shard, kShards> shards_;
};

}  // namespace pellmark::base
