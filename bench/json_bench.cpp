// The JSON library against two baselines in the same run: nlohmann-json (reading the UTF-8 form of
// each document) and RapidJSON (a DOM over the same UTF-16 text). Three generated documents: about
// 20 MB of number arrays, 50,000 records with Chinese text and escapes, and objects nested 30 deep.
// Each is parsed and written compactly by all three, in turn, for several rounds; the medians are
// printed as ratios, with the heap bytes each DOM holds (glibc's own count of bytes in use, taken
// before and after the parse, so every allocation of every library is counted the same way).
#include "support/jsonobject.h"
#include "support/jsonreader.h"

#include "bench/timing.h"

#include <nlohmann/json.hpp>
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <malloc.h>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Utf16 = rapidjson::UTF16<char16_t>;
using RapidDocument = rapidjson::GenericDocument<Utf16>;

using bench::Median;
using bench::Seconds;

int64_t HeapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return int64_t(info.uordblks + info.hblkhd);
}

std::string NumberArrays()
{
    std::mt19937 random(1);
    std::string text = "[";
    while (text.size() < 20'000'000) {
        text += text.size() > 1 ? ",[" : "[";
        for (int i = 0; i < 100; ++i) {
            if (i)
                text += ',';
            if (random() % 2)
                text += std::to_string(int32_t(random()) / 1000);
            else
                text += std::to_string(double(random()) / 4096.0);
        }
        text += ']';
    }
    return text + "]";
}

std::string Records()
{
    const char* names[] = {"上海电信节点", "北京联通", "广州移动加速", "香港专线", "东京 节点"};
    std::string text = "[";
    for (int i = 0; i < 50'000; ++i) {
        if (i)
            text += ',';
        text += "{\"id\":" + std::to_string(i) + ",\"name\":\"" + names[i % 5] + " " + std::to_string(i) +
                "\",\"note\":\"第\\\"" + std::to_string(i % 97) + "\\\"号\\n\\t线路\\\\备用\",\"online\":" +
                (i % 3 ? "true" : "false") + ",\"rate\":" + std::to_string(i % 1000) + ".5,\"tags\":[\"pptp\",\"l2tp\"]}";
    }
    return text + "]";
}

std::string Nested()
{
    std::string text = "[";
    for (int i = 0; i < 20'000; ++i) {
        if (i)
            text += ',';
        for (int d = 0; d < 29; ++d)
            text += "{\"level" + std::to_string(d) + "\":";
        text += "{\"leaf\":" + std::to_string(i) + ",\"s\":\"x\"}";
        text += std::string(29, '}');
    }
    return text + "]";
}

struct Figures {
    std::vector<double> parse[3], write[3];
    std::vector<double> parseFaults[3], writeFaults[3];  // page faults a round
    std::vector<double> fresh, freshFaults;              // AsJSon, into a new String each time
    int64_t bytes[3] = {};
};

// The seconds of the work into times, its page faults into faults.
void Measure(std::vector<double>& times, std::vector<double>& faults, const std::function<void()>& work)
{
    double count = 0;
    times.push_back(Seconds(work, count));
    faults.push_back(count);
}

void Run(const char* title, const std::string& utf8, int rounds)
{
    const std::u16string utf16 = core::FromUtf8(utf8);
    Figures f;
    size_t outputs[3] = {};
    // Each writer writes into a text buffer kept from round to round, as a caller writing documents
    // again and again would keep it: ours a TJsonWriterString, RapidJSON its string buffer.
    support::TJsonWriterString text;
    rapidjson::GenericStringBuffer<Utf16> buffer;
    for (int round = 0; round < rounds; ++round) {
        {
            support::JsonRef value;
            const int64_t before = HeapInUse();
            Measure(f.parse[0], f.parseFaults[0], [&] { value = support::ParseString(utf16, false); });
            f.bytes[0] = HeapInUse() - before;
            if (!value) {
                std::printf("%s: the library did not read the document\n", title);
                std::exit(1);
            }
            text.Reset();
            Measure(f.write[0], f.writeFaults[0], [&] { value->WriteValue(text, false, false, 0); });
            outputs[0] = size_t(text.Length());
            std::u16string out;
            Measure(f.fresh, f.freshFaults, [&] { out = value->AsJSon(false, false); });
            if (out.size() != outputs[0]) {
                std::printf("%s: AsJSon and WriteValue wrote different texts\n", title);
                std::exit(1);
            }
        }
        {
            nlohmann::json value;
            const int64_t before = HeapInUse();
            Measure(f.parse[1], f.parseFaults[1], [&] { value = nlohmann::json::parse(utf8); });
            f.bytes[1] = HeapInUse() - before;
            std::string out;
            Measure(f.write[1], f.writeFaults[1], [&] { out = value.dump(); });
            outputs[1] = out.size();
        }
        {
            auto value = std::make_unique<RapidDocument>();
            const int64_t before = HeapInUse();
            Measure(f.parse[2], f.parseFaults[2], [&] { value->Parse(utf16.c_str()); });
            f.bytes[2] = HeapInUse() - before;
            if (value->HasParseError()) {
                std::printf("%s: RapidJSON did not read the document\n", title);
                std::exit(1);
            }
            buffer.Clear();
            Measure(f.write[2], f.writeFaults[2], [&] {
                rapidjson::Writer<rapidjson::GenericStringBuffer<Utf16>, Utf16, Utf16> writer(buffer);
                value->Accept(writer);
                outputs[2] = buffer.GetSize() / sizeof(char16_t);
            });
        }
    }
    const double p[3] = {Median(f.parse[0]), Median(f.parse[1]), Median(f.parse[2])};
    const double w[3] = {Median(f.write[0]), Median(f.write[1]), Median(f.write[2])};
    std::printf("%s (%.1f MB UTF-8, %zu units; output units %zu / bytes %zu / units %zu)\n", title, utf8.size() / 1e6,
                utf16.size(), outputs[0], outputs[1], outputs[2]);
    std::printf("  parse  ms: ours %8.1f  nlohmann %8.1f  rapidjson %8.1f   ratio vs nlohmann %.2f (target <= 0.5), "
                "vs rapidjson %.2f (target <= 2)\n",
                p[0] * 1e3, p[1] * 1e3, p[2] * 1e3, p[0] / p[1], p[0] / p[2]);
    std::printf("  write  ms: ours %8.1f  nlohmann %8.1f  rapidjson %8.1f   ratio vs nlohmann %.2f, vs rapidjson %.2f "
                "(target <= 1: %s)\n",
                w[0] * 1e3, w[1] * 1e3, w[2] * 1e3, w[0] / w[1], w[0] / w[2], w[0] <= w[2] ? "met" : "NOT met");
    std::printf("  AsJSon into a new String ms: %.1f (%.2f of rapidjson's kept buffer), page faults a round %.0f\n",
                Median(f.fresh) * 1e3, Median(f.fresh) / w[2], Median(f.freshFaults));
    std::printf("  page faults a round: parse ours %.0f  nlohmann %.0f  rapidjson %.0f; write ours %.0f  nlohmann %.0f  "
                "rapidjson %.0f\n",
                Median(f.parseFaults[0]), Median(f.parseFaults[1]), Median(f.parseFaults[2]), Median(f.writeFaults[0]),
                Median(f.writeFaults[1]), Median(f.writeFaults[2]));
    std::printf("  DOM    MB: ours %8.1f  nlohmann %8.1f  rapidjson %8.1f   ratio vs nlohmann %.2f (target <= 1.5)\n",
                f.bytes[0] / 1e6, f.bytes[1] / 1e6, f.bytes[2] / 1e6, double(f.bytes[0]) / double(f.bytes[1]));
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    Run("number arrays", NumberArrays(), rounds);
    Run("records", Records(), rounds);
    Run("nested objects", Nested(), rounds);
    return 0;
}
