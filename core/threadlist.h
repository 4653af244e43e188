// A list of pointers with its own lock, for lists that several threads read and change (the pools
// and monitors of the database layer). Every operation takes the lock; LockList holds it for a
// longer walk over the list and lets go when its result goes out of scope.
#pragma once

#include <algorithm>
#include <mutex>
#include <vector>

namespace core {

template <class T>
class TThreadList {
public:
    TThreadList() = default;
    TThreadList(const TThreadList&) = delete;
    TThreadList& operator=(const TThreadList&) = delete;

    // The list under the lock.
    class Locked {
    public:
        explicit Locked(TThreadList& owner) : m_lock(owner.m_mutex), m_items(owner.m_items) {}
        std::vector<T*>& operator*() const { return m_items; }
        std::vector<T*>* operator->() const { return &m_items; }

    private:
        std::unique_lock<std::mutex> m_lock;
        std::vector<T*>& m_items;
    };

    Locked LockList() { return Locked(*this); }

    // An item already in the list is not added again.
    void Add(T* item)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (std::find(m_items.begin(), m_items.end(), item) == m_items.end())
            m_items.push_back(item);
    }
    void Remove(T* item)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_items.erase(std::remove(m_items.begin(), m_items.end(), item), m_items.end());
    }
    void Clear()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_items.clear();
    }
    int Count()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return int(m_items.size());
    }
    bool Contains(const T* item)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return std::find(m_items.begin(), m_items.end(), item) != m_items.end();
    }

private:
    std::mutex m_mutex;
    std::vector<T*> m_items;
};

} // namespace core
