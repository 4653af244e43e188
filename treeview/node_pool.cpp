// Fixed-size node blocks in chunks. Freed blocks go to a free list; when the last block of the tree
// is freed, the chunks go back to the system. Under AddressSanitizer, free blocks are poisoned so
// that a use of a freed node is still reported.
#include "treeview/virtual_tree.h"
#include <cstdlib>
#include <cstring>
#include <new>

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
constexpr size_t MaxChunkBlocks = 4096;
}

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
            size_t bytes = m_next_chunk_blocks * m_block_size;
            char* chunk = static_cast<char*>(::operator new(bytes, std::align_val_t(alignof(std::max_align_t))));
            try {
                m_chunks.push_back({chunk, bytes});
            } catch (...) {
                ::operator delete(chunk, std::align_val_t(alignof(std::max_align_t)));
                throw;
            }
            POISON(chunk, bytes);
            m_reserved += bytes;
            m_cursor = chunk;
            m_end = chunk + bytes;
            if (m_next_chunk_blocks < MaxChunkBlocks)
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
        ::operator delete(chunk, std::align_val_t(alignof(std::max_align_t)));
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
