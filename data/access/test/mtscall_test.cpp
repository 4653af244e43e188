// The coordinator binding as every target sees it, and the layer's unit pair.
#include "data/access/access.h"
#include "data/access/mtscall.h"
#include "data/storage/test/error_of.h"

#include <gtest/gtest.h>

using namespace data;

namespace {

TDtcResult Bound(char*, char*, const TDtcGuid*, uint32_t, void*, void**) { return DTC_S_OK; }

TEST(DtcBinding, TheStubRaisesUntilBound)
{
    ASSERT_FALSE(DtcLibraryLoaded());
    void* object = nullptr;
    EXPECT_EQ(ErrorOf<core::Exception>([&] {
                  DtcGetTransactionManagerEx.load()(nullptr, nullptr, &IID_ITransactionDispenser, 0, nullptr,
                                                    &object);
              }),
              u"Function is not linked");
    EXPECT_EQ(object, nullptr);
}

TEST(DtcBinding, ABoundEntryPointStaysUntilTheUnitEnds)
{
    InitAccessUnits();
    InitAccessUnits();
    SetDtcEntryPoint(Bound);
    EXPECT_TRUE(DtcLibraryLoaded());
    EXPECT_NO_THROW(LoadDtcLibrary());  // bound already: nothing to load
    EXPECT_EQ(DtcGetTransactionManagerEx.load(), &Bound);
    DoneAccessUnits();  // the inner pair does nothing
    EXPECT_EQ(DtcGetTransactionManagerEx.load(), &Bound);
    DoneAccessUnits();
    EXPECT_FALSE(DtcLibraryLoaded());
    EXPECT_EQ(DtcGetTransactionManagerEx.load(), &DtcNotLinked);
}

#ifndef _WIN32
TEST(DtcBinding, WithoutTheLibraryEveryLoadFails)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_EQ(ErrorOf<core::Exception>([] { LoadDtcLibrary(); }), u"Can not find xolehlp.dll");
        EXPECT_FALSE(DtcLibraryLoaded());
    }
}
#endif

} // namespace
