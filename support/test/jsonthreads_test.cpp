// References to shared JSON values taken and dropped on several threads, while each thread also
// builds, writes and frees documents of its own. Run under ThreadSanitizer by support/test/tsan_json.sh.
#include "support/jsonarray.h"
#include "support/jsonobject.h"
#include "support/jsonreader.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

using namespace support;

TEST(JsonThreads, ReferencesAreTakenAndDroppedOnEightThreads)
{
    const int32_t live = JsonLiveValues();
    JsonRef shared = ParseString(u"{\"a\":[1,2,3],\"b\":{\"c\":\"text\"}}");
    JsonRef element = shared->GetPathObject(u"a");
    auto* counted = dynamic_cast<TJsonObject*>(shared.get());
    const int32_t before = counted->RefCount();
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&shared, &element, t] {
            for (int i = 0; i < 2000; ++i) {
                JsonRef mine = shared;
                JsonRef other = element;
                std::vector<JsonRef> more(4, mine);
                if (i % 100 == 0) {
                    JsonRef own = ParseString(u"{\"n\":[1,{\"m\":2}]}");
                    own->PutPathInteger(u"t", t);
                    EXPECT_EQ(own->GetPathInteger(u"n[1].m"), 2);
                    EXPECT_FALSE(own->AsJSon().empty());
                }
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(counted->RefCount(), before);
    element = nullptr;
    shared = nullptr;
    EXPECT_EQ(JsonLiveValues(), live);
}

// Read numbers are kept in their array until asked for: threads asking at once get the same value.
TEST(JsonThreads, ValuesAskedForAtOnceAreOneValue)
{
    JsonRef doc = ParseString(u"[1,2,3,4,5,6,7,8]");
    TJsonArray* array = doc->AsArray();
    std::vector<IJsonObject*> seen(8 * 8);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([array, &seen, t] {
            for (int i = 0; i < 8; ++i)
                seen[size_t(t * 8 + i)] = array->GetItem((i + t) % 8).get();
        });
    for (std::thread& thread : threads)
        thread.join();
    for (int t = 0; t < 8; ++t)
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(seen[size_t(t * 8 + i)], array->Item((i + t) % 8));
}

} // namespace
