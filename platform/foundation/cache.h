#pragma once

#include <QString>

#include <cstddef>
#include <list>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace ns {

// A store of objects under text keys that lets go of the least recently used ones (the
// ones least recently stored or read) as soon as a total cost or count limit is passed (0:
// no limit), as the platform's cache does. An object whose cost alone passes the limit is
// not kept, and the others stay. Every member may be called from any thread.
template <class Value>
class Cache {
public:
    explicit Cache(QString name = {}) : name_(std::move(name)) {}
    Cache(const Cache&) = delete;
    Cache& operator=(const Cache&) = delete;

    [[nodiscard]] QString name() const {
        std::lock_guard lock(mutex_);
        return name_;
    }
    void setName(const QString& name) {
        std::lock_guard lock(mutex_);
        name_ = name;
    }
    [[nodiscard]] std::size_t totalCostLimit() const {
        std::lock_guard lock(mutex_);
        return totalCostLimit_;
    }
    void setTotalCostLimit(std::size_t limit) {
        std::lock_guard lock(mutex_);
        totalCostLimit_ = limit;
        evict();
    }
    [[nodiscard]] std::size_t countLimit() const {
        std::lock_guard lock(mutex_);
        return countLimit_;
    }
    void setCountLimit(std::size_t limit) {
        std::lock_guard lock(mutex_);
        countLimit_ = limit;
        evict();
    }

    // The object under `key`, or a default Value (nullptr for pointers).
    [[nodiscard]] Value objectForKey(const QString& key) {
        std::lock_guard lock(mutex_);
        const auto found = entries_.find(key);
        if (found == entries_.end()) return Value{};
        order_.splice(order_.end(), order_, found->second.order);
        return found->second.value;
    }
    void setObject(const QString& key, Value value, std::size_t cost = 0) {
        std::lock_guard lock(mutex_);
        if (const auto found = entries_.find(key); found != entries_.end()) {
            totalCost_ -= found->second.cost;
            order_.erase(found->second.order);
            entries_.erase(found);
        }
        // Made room for, it would only have pushed every other object out before going too.
        if (totalCostLimit_ > 0 && cost > totalCostLimit_) return;
        order_.push_back(key);
        entries_.emplace(key, Entry{std::move(value), cost, std::prev(order_.end())});
        totalCost_ += cost;
        evict();
    }
    void removeObjectForKey(const QString& key) {
        std::lock_guard lock(mutex_);
        const auto found = entries_.find(key);
        if (found == entries_.end()) return;
        totalCost_ -= found->second.cost;
        order_.erase(found->second.order);
        entries_.erase(found);
    }
    void removeAllObjects() {
        std::lock_guard lock(mutex_);
        entries_.clear();
        order_.clear();
        totalCost_ = 0;
    }
    [[nodiscard]] std::size_t count() const {
        std::lock_guard lock(mutex_);
        return entries_.size();
    }
    [[nodiscard]] std::size_t totalCost() const {
        std::lock_guard lock(mutex_);
        return totalCost_;
    }

private:
    struct Entry {
        Value value;
        std::size_t cost;
        std::list<QString>::iterator order;
    };

    void evict() {
        while (!order_.empty() && ((totalCostLimit_ > 0 && totalCost_ > totalCostLimit_) ||
                                   (countLimit_ > 0 && entries_.size() > countLimit_))) {
            const auto found = entries_.find(order_.front());
            totalCost_ -= found->second.cost;
            entries_.erase(found);
            order_.pop_front();
        }
    }

    mutable std::mutex mutex_;
    QString name_;
    std::size_t totalCostLimit_ = 0;
    std::size_t countLimit_ = 0;
    std::size_t totalCost_ = 0;
    std::list<QString> order_;  // least recently used first
    std::unordered_map<QString, Entry> entries_;
};

}  // namespace ns
