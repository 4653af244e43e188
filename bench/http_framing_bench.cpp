// One 20 MiB reply body read through the HTTP reply reader in each of its three framings (with a
// Content-Length, to the end of the connection, in 8 KiB chunks), fed in the pieces a socket read
// gives; prints the time of the two framings without a length as ratios of the one with, and what a
// round allocates.
#include "ui/httppage.h"
#include "bench/timing.h"

#include <atomic>
#include <malloc.h>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::atomic<size_t> g_allocations{0};
std::atomic<size_t> g_allocatedBytes{0};

using bench::Median;
using bench::Seconds;

std::string Chunked(const std::string& body, size_t chunk)
{
    std::string out;
    char size[16];
    for (size_t at = 0; at < body.size(); at += chunk) {
        const size_t n = std::min(chunk, body.size() - at);
        std::snprintf(size, sizeof size, "%zx\r\n", n);
        out += size;
        out.append(body, at, n);
        out += "\r\n";
    }
    return out + "0\r\n\r\n";
}

// Reads the reply in pieces of `piece` bytes, the connection's end after the last.
size_t Read(const std::string& reply, size_t piece)
{
    ui::HttpReplyReader reader;
    const std::string_view data = reply;
    for (size_t at = 0; at < data.size() && reader.Status() == ui::HttpReplyReader::State::Reading; at += piece)
        reader.Feed(data.substr(at, piece));
    if (reader.Finish() != ui::HttpReplyReader::State::Complete) {
        std::fprintf(stderr, "the reply did not read\n");
        std::exit(1);
    }
    return reader.Reply().body.size();
}

} // namespace

void* operator new(size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    g_allocatedBytes.fetch_add(size, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

int main(int argc, char** argv)
{
    // Freed blocks stay in the heap: otherwise each body's growth maps fresh pages, and the page
    // faults (which go with the allocator's changing thresholds, not with the framing) swamp the
    // reading.
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 20;
    if (megabytes == 0)
        megabytes = 20;
    int rounds = argc > 2 ? std::atoi(argv[2]) : 15;
    if (rounds < 1)
        rounds = 15;
    size_t piece = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 16384;
    if (piece == 0)
        piece = 16384;

    std::string body(megabytes << 20, '\0');
    for (size_t i = 0; i < body.size(); ++i)
        body[i] = char('a' + (i * 7 + i / 8191) % 26);
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n";
    const std::string replies[] = {
        head + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body,
        head + "\r\n" + body,
        head + "Transfer-Encoding: chunked\r\n\r\n" + Chunked(body, 8192),
    };

    std::vector<double> times[3], closeRatio, chunkRatio;
    size_t allocations[3] = {}, allocatedBytes[3] = {};
    for (int round = 0; round < rounds; ++round) {
        double t[3];
        // Each round starts with another framing, so that none always runs after the same one.
        for (int step = 0; step < 3; ++step) {
            const int framing = (round + step) % 3;
            const size_t count = g_allocations.load(), bytes = g_allocatedBytes.load();
            size_t read = 0;
            t[framing] = Seconds([&] { read = Read(replies[framing], piece); });
            allocations[framing] = g_allocations.load() - count;
            allocatedBytes[framing] = g_allocatedBytes.load() - bytes;
            if (read != body.size()) {
                std::fprintf(stderr, "framing %d read %zu bytes of %zu\n", framing, read, body.size());
                return 1;
            }
            times[framing].push_back(t[framing]);
        }
        closeRatio.push_back(t[1] / t[0]);
        chunkRatio.push_back(t[2] / t[0]);
    }

    std::printf("HTTP reply framing, %zu MiB body in %zu-byte reads, %d rounds (medians)\n", megabytes, piece, rounds);
    const char* names[] = {"Content-Length", "to the close", "8 KiB chunks"};
    for (int framing = 0; framing < 3; ++framing)
        std::printf("  %-15s %8.2f ms   %zu allocations, %.1f MiB per read\n", names[framing], Median(times[framing]) * 1000,
                    allocations[framing], double(allocatedBytes[framing]) / (1 << 20));
    std::printf("ratio close-delimited / Content-Length: %.2f (target at most 1.2)\n", Median(closeRatio));
    std::printf("ratio chunked / Content-Length:         %.2f (target at most 1.2)\n", Median(chunkRatio));
    return 0;
}
