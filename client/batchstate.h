// The main window's batch test state: the test and the tree's side of it. The test is declared
// last, so that it is shut down (its worker waited for) before the target goes.
#pragma once
#include "client/batchecho.h"
#include "client/batchtree.h"
#include "client/mainform.h"
#include "client/nodelist.h"

#include "support/threadcomponent.h"
#include "support/threadpool.h"

namespace client {

struct Tfrmmain::BatchState {
    explicit BatchState(Tfrmmain& form) : target(*form.vt1), test(*form.tp1, *form.pingthread, target, &PingEcho) {}
    TreeBatchTarget<ps> target;
    BatchLatencyTest test;
};

} // namespace client
