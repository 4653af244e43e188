// Fixed-size node blocks in chunks. Freed blocks go to a free list; when the last block of the tree
// is freed, the chunks are released. Under AddressSanitizer, free blocks are poisoned so that a use
// of a freed node is still reported.
//
// Chunks double in size up to a few megabytes: a small tree costs little, and a big one lies in
// few large chunks. Those are aligned to, and on Linux marked for, large pages, so that walking a
// big tree in an order other than that of its making (after sorting) is not held up by address
// translation, and making its nodes costs one page fault per large page instead of per 4 KiB.
//
// Released large chunks are kept in a small process-wide cache (as a general allocator keeps freed
// memory) for the next big tree, or the same tree refilled after Clear: fresh memory costs a page
// fault and the zeroing of each page by the system, which is most of the cost of making nodes. On
// Linux the kept chunks are marked as free for the system, which may take their pages back under
// memory pressure; until it does, reusing them costs nothing.
#include "treeview/virtual_tree.h"
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <atomic>
#include <new>
#include <thread>
#if defined(__linux__)
#include <sys/mman.h>
#endif

#if defined(__SANITIZE_ADDRESS__)
#define TREE_HAS_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TREE_HAS_ASAN 1
#endif
#endif
#ifdef TREE_HAS_ASAN
#include <sanitizer/asan_interface.h>
#define POISON(p, n) ASAN_POISON_MEMORY_REGION((p), (n))
#define UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION((p), (n))
#else
#define POISON(p, n) ((void)(p), (void)(n))
#define UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace treeview {

namespace {
constexpr size_t LargePage = size_t(2) << 20;
// Chunks of at least a large page are all of this size, so that any of them can be reused for any
// block size.
constexpr size_t MaxChunkBytes = 2 * LargePage;
// The cache keeps at most this many released full-size chunks (128 MiB: a tree of about a million
// small nodes). Beyond that, chunks go back to the system at once.
constexpr size_t CachedChunkLimit = 32;

size_t ChunkAlignment(size_t bytes) { return bytes >= LargePage ? LargePage : alignof(std::max_align_t); }

// Constant-initialised and trivially destructible: nothing runs at start-up or exit. Kept chunks
// stay reachable from here, so a leak checker does not count them.
// The lock is held for a few instructions only, and not every platform's mutex can be made without
// running a constructor.
struct ChunkCache {
    std::atomic_flag busy;
    size_t count = 0;
    void* chunks[CachedChunkLimit] = {};
};
constinit ChunkCache g_chunk_cache;

class CacheLock {
public:
    CacheLock()
    {
        while (g_chunk_cache.busy.test_and_set(std::memory_order_acquire))
            std::this_thread::yield();
    }
    ~CacheLock() { g_chunk_cache.busy.clear(std::memory_order_release); }
    CacheLock(const CacheLock&) = delete;
    CacheLock& operator=(const CacheLock&) = delete;
};

void* NewChunk(size_t bytes)
{
    if (bytes == MaxChunkBytes) {
        CacheLock guard;
        if (g_chunk_cache.count > 0)
            return g_chunk_cache.chunks[--g_chunk_cache.count];
    }
    void* chunk = ::operator new(bytes, std::align_val_t(ChunkAlignment(bytes)));
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (bytes >= LargePage)
        madvise(chunk, bytes / LargePage * LargePage, MADV_HUGEPAGE);   // a hint; refusal is harmless
#endif
    return chunk;
}

void DeleteChunk(void* chunk, size_t bytes) noexcept
{
    if (bytes == MaxChunkBytes) {
        CacheLock guard;
        if (g_chunk_cache.count < CachedChunkLimit) {
#if defined(__linux__) && defined(MADV_FREE)
            madvise(chunk, bytes, MADV_FREE);   // the contents are not needed: blocks are zeroed when handed out
#endif
            POISON(chunk, bytes);   // a node of a tree that is gone is still reported when used
            g_chunk_cache.chunks[g_chunk_cache.count++] = chunk;
            return;
        }
    }
    ::operator delete(chunk, std::align_val_t(ChunkAlignment(bytes)));
}
} // namespace

NodePool::~NodePool() { ReleaseAll(); }

void NodePool::SetBlockSize(size_t size)
{
    size = (size + alignof(std::max_align_t) - 1) / alignof(std::max_align_t) * alignof(std::max_align_t);
    if (size == m_block_size)
        return;
    ReleaseAll();
    m_block_size = size;
}

void* NodePool::Allocate()
{
    void* block;
    if (m_free) {
        block = m_free;
        UNPOISON(block, m_block_size);
        std::memcpy(&m_free, block, sizeof(void*));
    } else {
        if (m_cursor == m_end) {
            // Doubling up to a large page; from there on, full-size chunks (a block too big for
            // one gets a chunk of its own).
            size_t bytes = m_next_chunk_blocks * m_block_size;
            if (bytes >= LargePage)
                bytes = std::max(MaxChunkBytes, m_block_size);
            size_t usable = bytes / m_block_size * m_block_size;
            m_chunks.reserve(m_chunks.size() + 1);
            char* chunk = static_cast<char*>(NewChunk(bytes));
            m_chunks.push_back({chunk, bytes});
            POISON(chunk, bytes);
            m_reserved += bytes;
            m_cursor = chunk;
            m_end = chunk + usable;
            if (m_next_chunk_blocks * m_block_size < LargePage)
                m_next_chunk_blocks *= 2;
        }
        block = m_cursor;
        m_cursor += m_block_size;
        UNPOISON(block, m_block_size);
    }
    std::memset(block, 0, m_block_size);
    ++m_live;
    return block;
}

void NodePool::Free(void* block) noexcept
{
    if (!block)
        return;
    std::memcpy(block, &m_free, sizeof(void*));
    POISON(static_cast<char*>(block) + sizeof(void*), m_block_size - sizeof(void*));
    m_free = block;
    if (--m_live == 0)
        ReleaseAll();
}

void NodePool::ReleaseAll() noexcept
{
    for (auto [chunk, bytes] : m_chunks) {
        UNPOISON(chunk, bytes);
        DeleteChunk(chunk, bytes);
    }
    m_chunks.clear();
    m_chunks.shrink_to_fit();
    m_cursor = m_end = nullptr;
    m_free = nullptr;
    m_live = 0;
    m_reserved = 0;
    m_next_chunk_blocks = 64;
}

} // namespace treeview
