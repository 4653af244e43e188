// The in-memory record store and its compressed blobs against plain baselines measured in the same run:
// one million records (32-bit integer, double, 20-character inline string, by-reference string)
// appended to a TMemData and walked, against a std::vector of the same records; 64 MiB of text in
// 1 MiB compressed blobs written and read whole, against compress2/uncompress of the same buffers.
// Prints the medians over the rounds, the store's bytes per record and a verdict per target.
#include "data/storage/blob.h"
#include "data/storage/memdata.h"
#include "data/storage/storage.h"

#include "bench/timing.h"

#include <zlib.h>

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace data;

namespace {

using Clock = std::chrono::steady_clock;

using bench::Median;
using bench::Seconds;

// Bytes the process holds from malloc, small and mapped allocations alike.
size_t HeapInUse()
{
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

constexpr int kTextLength = 20;

// The same record as the store's, as a program would keep it in a vector.
struct Record {
    int32_t number;
    double amount;
    char code[kTextLength + 1];
    std::string name;
};

// Deterministic texts of exactly 20 characters, so that both sides store the same bytes.
void MakeText(char* out, uint32_t seed, char first)
{
    out[0] = first;
    for (int i = 1; i < kTextLength; ++i) {
        seed = seed * 1103515245u + 12345u;
        out[i] = char('a' + (seed >> 16) % 26);
    }
    out[kTextLength] = 0;
}

class RecordStore : public TMemData {
public:
    RecordStore()
    {
        InitFields();
        Open();
    }
    ~RecordStore() override { Close(); }

protected:
    void DoInitFields() override
    {
        Add(u"NUMBER", dtInt32, 4, 0);
        Add(u"AMOUNT", dtFloat, 8, 0);
        Add(u"CODE", dtString, kTextLength + 1, kTextLength);
        Add(u"NAME", dtExtString, 8, kTextLength);
    }

private:
    void Add(const char16_t* name, uint16_t type, uint16_t size, uint16_t length)
    {
        auto desc = CreateFieldDesc();
        desc->Name = desc->ActualName = name;
        desc->DataType = type;
        desc->Size = size;
        desc->Length = length;
        Fields().Add(std::move(desc));
    }
};

struct RecordTimes {
    double vectorAppend = 0, vectorWalk = 0, storeAppend = 0, storeWalk = 0;
    double Ratio() const { return (storeAppend + storeWalk) / (vectorAppend + vectorWalk); }
};

volatile uint64_t g_sink;

RecordTimes RecordRound(int count, double& overheadPerRecord, double& bytesPerRecord, int& recordSize)
{
    RecordTimes t;
    char code[kTextLength + 1], name[kTextLength + 1];
    {
        std::vector<Record> records;
        t.vectorAppend = Seconds([&] {
            for (int i = 0; i < count; ++i) {
                MakeText(code, uint32_t(i), 'c');
                MakeText(name, uint32_t(i) * 7u, 'n');
                Record r;
                r.number = i;
                r.amount = i * 0.25;
                std::memcpy(r.code, code, sizeof code);
                r.name = name;
                records.push_back(std::move(r));
            }
        });
        t.vectorWalk = Seconds([&] {
            uint64_t sum = 0;
            for (const Record& r : records) {
                int32_t number = r.number;
                double amount = r.amount;
                char c[kTextLength + 1], n[kTextLength + 1];
                std::memcpy(c, r.code, sizeof c);
                std::memcpy(n, r.name.c_str(), r.name.size() + 1);
                sum += uint64_t(number) + uint64_t(amount) + uint8_t(c[5]) + uint8_t(n[7]);
            }
            g_sink = sum;
        });
    }
    {
        auto store = std::make_unique<RecordStore>();
        recordSize = store->RecordSize();
        void* buffer = store->AllocRecBuf();
        const size_t before = HeapInUse();
        t.storeAppend = Seconds([&] {
            for (int i = 0; i < count; ++i) {
                MakeText(code, uint32_t(i), 'c');
                MakeText(name, uint32_t(i) * 7u, 'n');
                const int32_t number = i;
                const double amount = i * 0.25;
                store->InitRecord(buffer);
                store->PutField(1, buffer, &number);
                store->PutField(2, buffer, &amount);
                store->PutField(3, buffer, code);
                store->PutField(4, buffer, name);
                store->AppendRecord(buffer);
            }
        });
        const size_t used = HeapInUse() - before;
        bytesPerRecord = double(used) / count;
        // Beyond the record itself and the by-reference string's own characters and terminator.
        overheadPerRecord = bytesPerRecord - recordSize - (kTextLength + 1);
        t.storeWalk = Seconds([&] {
            uint64_t sum = 0;
            bool blank = false;
            store->SetToBegin();
            for (store->GetNextRecord(buffer); !store->GetEof(); store->GetNextRecord(buffer)) {
                int32_t number = 0;
                double amount = 0;
                char c[kTextLength + 1], n[kTextLength + 1];
                store->GetField(1, buffer, &number, blank);
                store->GetField(2, buffer, &amount, blank);
                store->GetField(3, buffer, c, blank);
                store->GetField(4, buffer, n, blank);
                sum += uint64_t(number) + uint64_t(amount) + uint8_t(c[5]) + uint8_t(n[7]);
            }
            g_sink = sum;
        });
        if (store->GetRecordCount() != count) {
            std::fprintf(stderr, "store holds %d records, not %d\n", store->GetRecordCount(), count);
            std::exit(1);
        }
        store->FreeRecBuf(buffer);
    }
    return t;
}

// Text of words drawn from a small vocabulary, as a memo column would hold; compresses about 3:1.
std::vector<std::string> MakeTexts(int blobs, size_t blobSize)
{
    static const char* const words[] = {
        "record", "field", "value", "string", "number", "the", "of", "and", "order", "customer", "address",
        "invoice", "total", "amount", "date", "line", "item", "product", "price", "quantity", "north", "south",
        "account", "balance", "payment", "status", "open", "closed", "pending", "shipped", "returned", "note"};
    std::mt19937 random(12345);
    std::vector<std::string> texts(static_cast<size_t>(blobs));
    for (std::string& text : texts) {
        text.reserve(blobSize);
        while (text.size() < blobSize) {
            text += words[random() % (sizeof words / sizeof *words)];
            text += random() % 12 == 0 ? '\n' : ' ';
            if (random() % 5 == 0)
                text += std::to_string(random() % 100000);
        }
        text.resize(blobSize);
    }
    return texts;
}

struct BlobTimes {
    double zlibWrite = 0, zlibRead = 0, blobWrite = 0, blobRead = 0;
    double Ratio() const { return (zlibWrite + zlibRead) / (blobWrite + blobRead); }  // throughput ratio
};

BlobTimes BlobRound(const std::vector<std::string>& texts, size_t& zlibBytes, size_t& blobBytes)
{
    BlobTimes t;
    const size_t size = texts.front().size();
    std::vector<uint8_t> out(size);
    uint64_t check = 0;
    {
        std::vector<std::vector<uint8_t>> packed(texts.size());
        t.zlibWrite = Seconds([&] {
            for (size_t i = 0; i < texts.size(); ++i) {
                uLongf length = compressBound(uLong(size));
                packed[i].resize(length);
                if (compress2(packed[i].data(), &length, reinterpret_cast<const Bytef*>(texts[i].data()),
                              uLong(size), Z_DEFAULT_COMPRESSION) != Z_OK)
                    std::abort();
                packed[i].resize(length);
            }
        });
        zlibBytes = 0;
        for (auto& p : packed)
            zlibBytes += p.size();
        t.zlibRead = Seconds([&] {
            for (size_t i = 0; i < texts.size(); ++i) {
                uLongf length = uLongf(size);
                if (uncompress(out.data(), &length, packed[i].data(), uLong(packed[i].size())) != Z_OK ||
                    length != size)
                    std::abort();
                check += out[i];
            }
        });
    }
    {
        std::vector<std::unique_ptr<TCompressedBlob>> blobs(texts.size());
        t.blobWrite = Seconds([&] {
            for (size_t i = 0; i < texts.size(); ++i) {
                blobs[i] = std::make_unique<TCompressedBlob>();
                blobs[i]->Write(0, uint32_t(size), texts[i].data());
                blobs[i]->SetCompressed(true);
            }
        });
        blobBytes = 0;
        for (auto& b : blobs) {
            if (!b->Compressed())
                std::abort();
            blobBytes += b->CompressedSize();
        }
        t.blobRead = Seconds([&] {
            for (size_t i = 0; i < texts.size(); ++i) {
                if (blobs[i]->Read(0, uint32_t(size), out.data()) != size)
                    std::abort();
                check += out[i];
            }
        });
        if (std::memcmp(out.data(), texts.back().data(), size) != 0)
            std::abort();
    }
    g_sink = check;
    return t;
}

} // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 7;
    const int blobCount = argc > 3 ? std::atoi(argv[3]) : 64;
    InitStorageUnits();

    std::vector<double> va, vw, sa, sw, ratios, overheads;
    double bytesPerRecord = 0;
    int recordSize = 0;
    for (int r = 0; r < rounds; ++r) {
        double overhead = 0;
        RecordTimes t = RecordRound(count, overhead, bytesPerRecord, recordSize);
        va.push_back(t.vectorAppend);
        vw.push_back(t.vectorWalk);
        sa.push_back(t.storeAppend);
        sw.push_back(t.storeWalk);
        ratios.push_back(t.Ratio());
        overheads.push_back(overhead);
    }
    std::printf("records: %d, rounds: %d, RecordSize %d bytes\n", count, rounds, recordSize);
    std::printf("  vector: append %.1f ms, walk %.1f ms\n", Median(va) * 1e3, Median(vw) * 1e3);
    std::printf("  store:  append %.1f ms, walk %.1f ms (append x%.2f, walk x%.2f)\n", Median(sa) * 1e3,
                Median(sw) * 1e3, Median(sa) / Median(va), Median(sw) / Median(vw));
    std::printf("  total ratio: median %.2f (min %.2f, max %.2f)\n", Median(ratios),
                *std::min_element(ratios.begin(), ratios.end()), *std::max_element(ratios.begin(), ratios.end()));
    std::printf("  store heap: %.1f bytes per record, overhead beyond RecordSize and the string's %d bytes: %.1f\n",
                bytesPerRecord, kTextLength + 1, Median(overheads));
    // Where the bytes go, by the store's layout: an item is its packed header and the record, rounded
    // up to 8 (the next header's pointers stay aligned), ten items share a block header, and a
    // by-reference string takes its size class's capacity plus the heap's size field and counter.
    const size_t itemBytes = (sizeof(TItemHeader) + size_t(recordSize) + 7) & ~size_t(7);
    const size_t padding = itemBytes - sizeof(TItemHeader) - size_t(recordSize);
    const int perBlock = TBlockManager().DefaultItemCount;
    const int heapCapacity = 8 * ((kTextLength + 1 + 7) / 8);
    std::printf("  layout: item header %zu + record padding %zu + block header %.1f (%zu / %d items) + string "
                "header and class rounding %d (%d + %d) = %.1f bytes; the rest is the C library's chunk headers\n",
                sizeof(TItemHeader), padding, double(sizeof(TBlockHeader)) / perBlock, sizeof(TBlockHeader),
                perBlock, TStringHeap::kHeader + heapCapacity - (kTextLength + 1), TStringHeap::kHeader,
                heapCapacity - (kTextLength + 1),
                double(sizeof(TItemHeader) + padding) + double(sizeof(TBlockHeader)) / perBlock +
                    TStringHeap::kHeader + heapCapacity - (kTextLength + 1));

    const size_t blobSize = 1 << 20;
    const auto texts = MakeTexts(blobCount, blobSize);
    std::vector<double> zw, zr, bw, br, blobRatios;
    size_t zlibBytes = 0, blobBytes = 0;
    for (int r = 0; r < rounds; ++r) {
        BlobTimes t = BlobRound(texts, zlibBytes, blobBytes);
        zw.push_back(t.zlibWrite);
        zr.push_back(t.zlibRead);
        bw.push_back(t.blobWrite);
        br.push_back(t.blobRead);
        blobRatios.push_back(t.Ratio());
    }
    const double mib = double(blobCount) * blobSize / (1 << 20);
    std::printf("blobs: %d x 1 MiB of text, packed to %.1f MiB (zlib) / %.1f MiB (blobs, with headers)\n",
                blobCount, zlibBytes / 1048576.0, blobBytes / 1048576.0);
    std::printf("  zlib:  write %.0f MiB/s, read %.0f MiB/s\n", mib / Median(zw), mib / Median(zr));
    std::printf("  blobs: write %.0f MiB/s, read %.0f MiB/s (write x%.2f, read x%.2f of zlib's throughput)\n",
                mib / Median(bw), mib / Median(br), Median(zw) / Median(bw), Median(zr) / Median(br));
    std::printf("  throughput ratio: median %.2f (min %.2f, max %.2f)\n", Median(blobRatios),
                *std::min_element(blobRatios.begin(), blobRatios.end()),
                *std::max_element(blobRatios.begin(), blobRatios.end()));

    const bool timeOk = Median(ratios) <= 3.0;
    const bool memoryOk = Median(overheads) <= 56.0;
    const bool blobOk = Median(blobRatios) >= 0.9;
    std::printf("verdict: records time %.2fx of the vector (target <= 3): %s\n", Median(ratios), timeOk ? "met" : "MISSED");
    std::printf("verdict: store overhead %.1f bytes per record (target <= 56): %s\n", Median(overheads),
                memoryOk ? "met" : "MISSED");
    std::printf("verdict: blob throughput %.2fx of zlib's (target >= 0.9): %s\n", Median(blobRatios),
                blobOk ? "met" : "MISSED");
    return timeOk && memoryOk && blobOk ? 0 : 1;
}
