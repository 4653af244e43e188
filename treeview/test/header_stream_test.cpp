// The header stream: what version 6 writes, what each older version reads, and damaged streams.
#include "viewport_fixture.h"
#include "core/exception.h"
#include <string>

namespace treeview::test {
namespace {

struct Fields {
    std::string data;
    Fields& I(int32_t v)
    {
        for (int i = 0; i < 4; ++i)
            data += char(uint32_t(v) >> (8 * i));
        return *this;
    }
    Fields& Text(std::u16string_view text)
    {
        I(int32_t(text.size()));
        for (char16_t unit : text)
            data += char(unit), data += char(unit >> 8);
        return *this;
    }
    Fields& Raw(std::string_view bytes)
    {
        data += bytes;
        return *this;
    }
};

class HeaderStreamTest : public ViewTest {
protected:
    void TearDown() override
    {
        ViewTest::TearDown();
        tree.OnColumnResize = nullptr;
    }
    std::string Save()
    {
        core::StringStream stream;
        tree.Header().SaveToStream(stream);
        return stream.DataString();
    }
    void Load(const std::string& bytes)
    {
        core::StringStream stream(bytes);
        tree.Header().LoadFromStream(stream);
    }
    // A stream of the given version (-1: unmarked) with two columns "a" and "b", shown b first.
    static std::string OfVersion(int version, int32_t columnOptions)
    {
        Fields f;
        if (version >= 0)
            f.I(-1).I(version);
        f.I(2);
        for (char16_t name : {u'a', u'b'}) {
            f.Text(std::u16string(1, name)).Text(u"hint").I(80).I(20).I(300).I(0).I(3).I(0).I(5).I(6).I(0).I(columnOptions);
            if (version >= 1)
                f.I(77).I(taCenter);
            if (version >= 2)
                f.I(0x123456);
            if (version >= 6 && (columnOptions & coUseCaptionAlignment))
                f.I(taRightJustify);
        }
        f.I(1).I(0);
        if (version >= 5)
            f.I(66);
        f.I(-1).I(0x00FF00).I(30).I(hoVisible | hoColumnResize).I(hsFlatButtons);
        f.I(0x0000FF).I(-15).I(5).Raw("Arial").I(1).I(1);
        if (version >= 1)
            f.I(1).I(0).I(sdDescending);
        if (version >= 5)
            f.I(1).I(200).I(12).I(25).I(10).I(20).I(30).I(40);
        return f.data;
    }
};

TEST_F(HeaderStreamTest, AHeaderWithoutColumnsWritesNoPositionArray)
{
    tree.Header().Columns().SetDefaultWidth(70);
    std::string bytes = Save();
    EXPECT_EQ(bytes.substr(0, 16), Fields().I(-1).I(6).I(0).I(70).data);
}

TEST_F(HeaderStreamTest, VersionSixRoundTripsColumnsOrderAndSettings)
{
    AddColumns({100, 120, 140});
    TVirtualTreeColumns& columns = Columns();
    columns[0].SetText(u"名称");
    columns[1].SetHint(u"延迟");
    columns[1].SetTag(42);
    columns[1].SetColor(0x102030);
    columns[2].SetAlignment(taRightJustify);
    columns[2].SetOptions(TVTColumnOptions(columns[2].Options() | coUseCaptionAlignment));
    columns[2].SetCaptionAlignment(taCenter);
    columns.MoveColumnPosition(2, 0);   // shown: 2 0 1
    TVTHeader& header = tree.Header();
    header.SetHeight(24);
    header.SetMainColumn(1);
    header.SetOptions(TVTHeaderOptions(header.Options() | hoVisible));
    header.FixedAreaConstraints().SetMaxWidthPercent(60);
    THeaderFontRecord font;
    font.Name = u"宋体";
    font.Height = -12;
    font.Style = 1;
    font.Pitch = 2;
    tree.SetHeaderFontRecord(font);
    std::string bytes = Save();
    // The font name goes as six UTF-8 bytes behind its length.
    EXPECT_NE(bytes.find(Fields().I(6).Raw("\xE5\xAE\x8B\xE4\xBD\x93").data), std::string::npos);

    ViewTree other{&port};
    other.AfterConstruction();
    core::StringStream stream(bytes);
    other.Header().LoadFromStream(stream);
    EXPECT_EQ(stream.Position(), stream.Size());
    TVirtualTreeColumns& loaded = other.Header().Columns();
    ASSERT_EQ(loaded.Count(), 3);
    EXPECT_EQ(loaded.PositionToIndex(), (TIndexArray{2, 0, 1}));
    EXPECT_EQ(loaded[2].Left(), 0);
    EXPECT_EQ(loaded[0].Left(), 140);
    EXPECT_EQ(loaded[0].Text(), u"名称");
    EXPECT_EQ(loaded[1].Hint(), u"延迟");
    EXPECT_EQ(loaded[1].Tag(), 42);
    EXPECT_EQ(loaded[1].Color(), 0x102030);
    EXPECT_EQ(loaded[2].Alignment(), taRightJustify);
    EXPECT_EQ(loaded[2].CaptionAlignment(), taCenter);
    EXPECT_TRUE(loaded.Equals(columns));
    EXPECT_EQ(other.Header().Height(), 24);
    EXPECT_EQ(other.Header().MainColumn(), 1);
    EXPECT_EQ(other.Header().FixedAreaConstraints().MaxWidthPercent(), 60);
    EXPECT_TRUE(other.Header().Options() & hoVisible);
    EXPECT_EQ(other.HeaderFontRecord().Name, u"宋体");
    EXPECT_EQ(other.HeaderFontRecord().Style, 1);
    EXPECT_EQ(other.HeaderFontRecord().Pitch, 2);
    EXPECT_FALSE(other.Header().States() & hsLoading);
    // Saved again, the same bytes come out.
    core::StringStream again;
    other.Header().SaveToStream(again);
    EXPECT_EQ(again.DataString(), bytes);
}

TEST_F(HeaderStreamTest, TheCaptionAlignmentFieldIsWrittenOnlyWhenFlagged)
{
    AddColumns({100});
    size_t without = Save().size();
    Columns()[0].SetOptions(TVTColumnOptions(Columns()[0].Options() | coUseCaptionAlignment));
    EXPECT_EQ(Save().size(), without + 4);
}

TEST_F(HeaderStreamTest, EachVersionReadsItsOwnFields)
{
    const struct {
        int version;
        int32_t storedOptions;
        TVTColumnOptions options;
        bool tagAndAlignment, color, mainAndSort, defaultWidthAndLimits, captionAlignment;
    } cases[] = {
        {-1, 0x7F, TVTColumnOptions(0x0F | 0xE0), false, false, false, false, false},
        {0, 0x15, TVTColumnOptions(0x05 | 0x20), false, false, false, false, false},
        {1, 0x15, TVTColumnOptions(0x05 | 0x20), true, false, true, false, false},
        // A colour read after the options takes coParentColor away.
        {2, 0x1FF, TVTColumnOptions(0xFF & ~coParentColor), true, true, true, false, false},
        {3, 0x1FF, TVTColumnOptions(0x1FF & ~coParentColor), true, true, true, false, false},
        {5, coVisible | coUseCaptionAlignment, TVTColumnOptions(coVisible | coUseCaptionAlignment), true, true, true, true, false},
        {6, coVisible | coUseCaptionAlignment, TVTColumnOptions(coVisible | coUseCaptionAlignment), true, true, true, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        std::vector<TColumnIndex> resized;
        tree.OnColumnResize = [&](TVTHeader*, TColumnIndex column) { resized.push_back(column); };
        std::string bytes = OfVersion(c.version, c.storedOptions);
        core::StringStream stream(bytes);
        tree.Header().LoadFromStream(stream);
        EXPECT_EQ(stream.Position(), stream.Size());
        EXPECT_FALSE(resized.empty());
        EXPECT_EQ(resized.back(), NoColumn);
        ASSERT_EQ(Columns().Count(), 2);
        TVirtualTreeColumn& b = Columns()[1];
        EXPECT_EQ(b.Text(), u"b");
        EXPECT_EQ(b.Options(), c.options);
        EXPECT_EQ(b.Width(), 80);
        EXPECT_EQ(b.ImageIndex(), 3);
        EXPECT_EQ(b.Tag(), c.tagAndAlignment ? 77 : 0);
        EXPECT_EQ(b.Alignment(), c.tagAndAlignment ? taCenter : taLeftJustify);
        EXPECT_EQ(b.Color(), c.color ? 0x123456 : clWindowColor);
        EXPECT_EQ(Columns().PositionToIndex(), (TIndexArray{1, 0}));
        EXPECT_EQ(tree.Header().Height(), 30);
        EXPECT_EQ(tree.Header().Style(), hsFlatButtons);
        EXPECT_EQ(tree.HeaderFontRecord().Name, u"Arial");
        EXPECT_EQ(tree.Header().MainColumn(), c.mainAndSort ? 1 : 0);
        EXPECT_EQ(tree.Header().SortDirection(), c.mainAndSort ? sdDescending : sdAscending);
        EXPECT_EQ(Columns().DefaultWidth(), c.defaultWidthAndLimits ? 66 : 50);
        EXPECT_EQ(tree.Header().MaxHeight(), c.defaultWidthAndLimits ? 200 : 10000);
        EXPECT_EQ(tree.Header().FixedAreaConstraints().MinWidthPercent(), c.defaultWidthAndLimits ? 40 : 0);
        if (c.options & coUseCaptionAlignment) {
            EXPECT_EQ(b.CaptionAlignment(), c.captionAlignment ? taRightJustify : taLeftJustify);
        }
        // Back to a fresh header for the next version.
        tree.OnColumnResize = nullptr;
        ViewTree fresh{&port};
        fresh.AfterConstruction();
        core::StringStream freshBytes;
        fresh.Header().SaveToStream(freshBytes);
        freshBytes.SetPosition(0);
        tree.Header().LoadFromStream(freshBytes);
        tree.Header().SetSortDirection(sdAscending);
    }
}

TEST_F(HeaderStreamTest, DamagedStreamsFailBeforeAllocatingAndLeaveLoading)
{
    std::vector<TColumnIndex> resized;
    tree.OnColumnResize = [&](TVTHeader*, TColumnIndex column) { resized.push_back(column); };
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"column count beyond the stream", Fields().I(-1).I(6).I(100000000).I(0).data},
        {"caption longer than the stream", Fields().I(-1).I(6).I(1).I(0x40000000).data},
        {"font name longer than the stream", Fields().I(-1).I(6).I(0).I(50).I(-1).I(0).I(20).I(0).I(0).I(0).I(-12).I(1000).data},
        {"stream ends early", Fields().I(-1).I(6).I(0).data},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        resized.clear();
        EXPECT_THROW(Load(c.bytes), core::EReadError);
        EXPECT_EQ(Columns().Count(), 0);
        EXPECT_FALSE(tree.Header().States() & hsLoading);
        EXPECT_EQ(resized, std::vector<TColumnIndex>{NoColumn});
    }
}

TEST_F(HeaderStreamTest, AnOrderThatIsNoPermutationBecomesTheColumnsOwnOrder)
{
    Fields f;
    f.I(-1).I(6).I(3);
    for (int i = 0; i < 3; ++i)
        f.Text(u"c").Text(u"").I(60).I(10).I(100).I(7).I(-1).I(9).I(4).I(4).I(200).I(DefaultColumnOptions).I(0).I(9).I(0);
    f.I(2).I(2).I(-5).I(50);
    f.I(-1).I(0).I(20).I(0).I(77).I(0).I(-12).I(0).I(5).I(0).I(0).I(0).I(42).I(0).I(100).I(10).I(17).I(0).I(0).I(0).I(0);
    Load(f.data);
    EXPECT_EQ(Columns().PositionToIndex(), (TIndexArray{0, 1, 2}));
    EXPECT_EQ(Columns()[2].Left(), 120);
    // Ordinals outside their enumeration read as defaults.
    EXPECT_EQ(Columns()[0].Style(), vsText);
    EXPECT_EQ(Columns()[0].Layout(), blGlyphLeft);
    EXPECT_EQ(Columns()[0].BiDiMode(), bdLeftToRight);
    EXPECT_EQ(Columns()[0].Alignment(), taLeftJustify);
    EXPECT_EQ(tree.Header().Style(), hsThickButtons);
    EXPECT_EQ(tree.Header().SortDirection(), sdAscending);
}

} // namespace
} // namespace treeview::test
