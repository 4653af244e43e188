// The shared validation thread. Trees queue themselves for validation (each at most once); the
// thread takes them one at a time, tells each tree through its window port when it starts and
// stops, and builds the tree's position cache in between. A failure in one tree is caught and the
// thread goes on serving the others.
#include "treeview/worker.h"
#include "treeview/virtual_tree.h"
#include "core/sync.h"
#include "core/thread.h"
#include <algorithm>
#include <deque>
#include <mutex>

namespace treeview::worker {

namespace {

class TWorkerThread : public core::Thread {
public:
    TWorkerThread() : core::Thread(true) {}

    std::mutex queueLock;
    std::deque<TBaseVirtualTree*> waiters;       // guarded by queueLock
    std::atomic<TBaseVirtualTree*> currentTree = nullptr;  // written under queueLock
    core::Event wakeUp{false, false};
    size_t refCount = 0;                         // GUI thread only

protected:
    void Execute() override
    {
        while (!Terminated()) {
            wakeUp.WaitFor(core::INFINITE);
            if (Terminated())
                break;
            TBaseVirtualTree* tree = nullptr;
            {
                std::lock_guard<std::mutex> lock(queueLock);
                if (!waiters.empty()) {
                    tree = waiters.front();
                    waiters.pop_front();
                    if (!waiters.empty())
                        wakeUp.SetEvent();
                }
                currentTree.store(tree, std::memory_order_release);
            }
            if (!tree)
                continue;
            bool completed = false;
            try {
                Send(tree, csbValidating, csbUseCache);
                if (!tree->StopValidationRequested())
                    completed = tree->RunValidation();
            } catch (...) {
                // This tree's cache stays invalid; the thread keeps serving the others.
                completed = false;
            }
            try {
                Send(tree, completed ? uint32_t(csbUseCache) : 0u,
                     uint32_t(csbStopValidation | csbValidating) | (completed ? uint32_t(csbValidationNeeded) : 0u));
            } catch (...) {
            }
            std::lock_guard<std::mutex> lock(queueLock);
            currentTree.store(nullptr, std::memory_order_release);
        }
    }

    void TerminatedSet() override { wakeUp.SetEvent(); }

private:
    static void Send(TBaseVirtualTree* tree, uint32_t enter, uint32_t leave)
    {
        TreeWindowPort& port = tree->WindowPort();
        if (port.HandleAllocated())
            port.SendStateMessage(enter, leave);
    }
};

std::atomic<TWorkerThread*> g_worker = nullptr;

} // namespace

void AddThreadReference()
{
    TWorkerThread* worker = g_worker.load(std::memory_order_acquire);
    if (!worker) {
        auto made = std::unique_ptr<TWorkerThread>(new TWorkerThread());
        made->Start();
        worker = made.release();
        g_worker.store(worker, std::memory_order_release);
    }
    ++worker->refCount;
}

void ReleaseThreadReference(TBaseVirtualTree* tree)
{
    TWorkerThread* worker = g_worker.load(std::memory_order_acquire);
    if (!worker)
        return;
    RemoveTree(tree);
    if (worker->refCount > 0 && --worker->refCount == 0) {
        g_worker.store(nullptr, std::memory_order_release);
        worker->Terminate();
        delete worker;   // waits for the thread to end
    }
}

bool Exists() { return g_worker.load(std::memory_order_acquire) != nullptr; }

size_t ReferenceCount()
{
    TWorkerThread* worker = g_worker.load(std::memory_order_acquire);
    return worker ? worker->refCount : 0;
}

void AddTree(TBaseVirtualTree* tree)
{
    CORE_ASSERT(tree, u"Tree must not be nil.");
    TWorkerThread* worker = g_worker.load(std::memory_order_acquire);
    if (!worker)
        return;
    {
        std::lock_guard<std::mutex> lock(worker->queueLock);
        if (std::find(worker->waiters.begin(), worker->waiters.end(), tree) == worker->waiters.end())
            worker->waiters.push_back(tree);
    }
    worker->wakeUp.SetEvent();
}

bool RemoveTree(TBaseVirtualTree* tree)
{
    CORE_ASSERT(tree, u"Tree must not be nil.");
    TWorkerThread* worker = g_worker.load(std::memory_order_acquire);
    if (!worker)
        return false;
    std::lock_guard<std::mutex> lock(worker->queueLock);
    auto found = std::find(worker->waiters.begin(), worker->waiters.end(), tree);
    if (found != worker->waiters.end())
        worker->waiters.erase(found);
    return worker->currentTree.load(std::memory_order_acquire) == tree;
}

bool IsCurrentTree(const TBaseVirtualTree* tree)
{
    TWorkerThread* worker = g_worker.load(std::memory_order_acquire);
    return worker && worker->currentTree.load(std::memory_order_acquire) == tree;
}

bool OnWorkerThread()
{
    TWorkerThread* worker = g_worker.load(std::memory_order_acquire);
    return worker && core::Thread::CurrentThread() == worker;
}

size_t QueueLength()
{
    TWorkerThread* worker = g_worker.load(std::memory_order_acquire);
    if (!worker)
        return 0;
    std::lock_guard<std::mutex> lock(worker->queueLock);
    return worker->waiters.size();
}

} // namespace treeview::worker
