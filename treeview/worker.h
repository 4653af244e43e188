// The one background thread that builds the position caches of all trees, one tree at a time.
// It lives while at least one tree holds a reference to it.
#pragma once
#include <cstddef>

namespace treeview {
class TBaseVirtualTree;

namespace worker {
// Every tree takes a reference when it is made and gives it back when it goes.
void AddThreadReference();
void ReleaseThreadReference(TBaseVirtualTree* tree);
bool Exists();
// Number of trees holding a reference (0 without a worker).
size_t ReferenceCount();
// Appends tree to the queue unless it is queued already, and wakes the worker.
void AddTree(TBaseVirtualTree* tree);
// Takes tree out of the queue; the result says whether the worker is inside the tree right now.
bool RemoveTree(TBaseVirtualTree* tree);
bool IsCurrentTree(const TBaseVirtualTree* tree);
// Whether the caller is the worker thread itself.
bool OnWorkerThread();
// Number of trees waiting in the queue (for tests).
size_t QueueLength();
} // namespace worker
} // namespace treeview
