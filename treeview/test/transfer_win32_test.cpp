// OLE transfer on the real clipboard: the formats a tree offers, what each renders, the data
// object's answers, and pastes within and between trees.
#include "treeview/dataobject_win32.h"
#include "treeview/string_tree.h"
#include "treeview/test/treeform_win32.h"
#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace treeview::test {
namespace {

const char16_t* const AllFormats[] = {u"Virtual Tree Data", u"HTML Format", u"Rich Text Format Without Objects",
                                      u"Rich Text Format", u"CSV", u"Unicode text", u"Plain text"};

UINT Format(const wchar_t* name)
{
    return RegisterClipboardFormatW(name);
}

FORMATETC Request(UINT format, DWORD tymed = TYMED_HGLOBAL)
{
    return FORMATETC{CLIPFORMAT(format), nullptr, DVASPECT_CONTENT, -1, tymed};
}

std::string Take(STGMEDIUM& medium)
{
    std::string out;
    if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal) {
        out.assign(static_cast<const char*>(GlobalLock(medium.hGlobal)), GlobalSize(medium.hGlobal));
        GlobalUnlock(medium.hGlobal);
    }
    ReleaseStgMedium(&medium);
    return out;
}

// A medium of global memory holding the bytes.
STGMEDIUM GlobalMedium(std::string_view bytes)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    STGMEDIUM medium{};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = block;
    return medium;
}

// The clipboard's data for a format, through the OLE clipboard.
std::string ClipboardData(UINT format)
{
    IDataObject* data = nullptr;
    if (OleGetClipboard(&data) != S_OK)
        return "no clipboard";
    FORMATETC request = Request(format);
    STGMEDIUM medium{};
    std::string out = data->GetData(&request, &medium) == S_OK ? Take(medium) : "no data";
    data->Release();
    return out;
}

class OpenTree : public TVirtualStringTree {
public:
    using TVirtualStringTree::TVirtualStringTree;
    using TVirtualStringTree::ChangeStates;
    // Stands in for the OLE clipboard when set.
    std::function<HRESULT(IDataObject**)> clipboard;

protected:
    HRESULT GetClipboardDataObject(IDataObject** data) override
    {
        return clipboard ? clipboard(data) : TVirtualStringTree::GetClipboardDataObject(data);
    }
};

// Counts the releases a medium's release object gets.
class ReleaseCounter : public IUnknown {
public:
    int releases = 0;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        ++releases;
        return 1;
    }
};

class TransferTest : public TreeInForm<OpenTree> {
protected:
    TransferTest()
    {
        Prepare(*tree);
        second = new OpenTree(form.get());
        second->SetParent(form.get());
        second->SetBounds(10, 10, 200, 100);
        Prepare(*second);
        form->Show();
    }
    ~TransferTest() override
    {
        for (OpenTree* t : {tree, second})
            if (t) {
                t->OnGetText = nullptr;
                t->OnSaveNode = nullptr;
                t->OnLoadNode = nullptr;
                t->OnNodeCopying = nullptr;
                t->OnStructureChange = nullptr;
            }
        OleSetClipboard(nullptr);
        form.reset();
    }
    void Prepare(TVirtualStringTree& t)
    {
        for (const char16_t* name : AllFormats)
            t.ClipboardFormats().Add(name);
        t.SetNodeDataSize(sizeof(char16_t) * 4);
        UseTwoCharacterNames(t);
    }
    PVirtualNode Add(TVirtualStringTree& t, PVirtualNode parent, const char16_t* name)
    {
        PVirtualNode node = t.AddChild(parent);
        std::memcpy(t.GetNodeData(node), name, 4);
        return node;
    }
    std::vector<CLIPFORMAT> Offered(TVirtualTreeControl& t)
    {
        std::vector<FORMATETC> formats;
        t.NativeClipboardFormats(formats);
        std::vector<CLIPFORMAT> out;
        for (const FORMATETC& f : formats)
            out.push_back(f.cfFormat);
        return out;
    }
    OpenTree* second = nullptr;
};

TEST_F(TransferTest, AStringTreeOffersItsFormatsInPriorityOrder)
{
    std::vector<CLIPFORMAT> expected = {CLIPFORMAT(Format(L"Virtual Tree Data")), CLIPFORMAT(Format(L"HTML Format")),
                                        CLIPFORMAT(Format(L"Rich Text Format Without Objects")),
                                        CLIPFORMAT(Format(L"Rich Text Format")), CLIPFORMAT(Format(L"CSV")),
                                        CF_UNICODETEXT, CF_TEXT};
    EXPECT_EQ(Offered(*tree), expected);
    tree->ClipboardFormats().Clear();
    EXPECT_TRUE(Offered(*tree).empty());
    tree->ClipboardFormats().Add(u"csv");
    EXPECT_EQ(Offered(*tree), std::vector<CLIPFORMAT>{CLIPFORMAT(Format(L"CSV"))});
    // A tree that is no string tree renders only its own data.
    auto* plain = new TCustomVirtualTreeControl(form.get());
    for (const char16_t* name : AllFormats)
        plain->ClipboardFormats().Add(name);
    EXPECT_EQ(Offered(*plain), std::vector<CLIPFORMAT>{CLIPFORMAT(Format(L"Virtual Tree Data"))});
}

TEST_F(TransferTest, OneCopiedNodeIsItsCountAndThirtyThreeBytes)
{
    PVirtualNode a = Add(*tree, nullptr, u"ab");
    tree->ValidateNode(a, false);
    tree->SetSelected(a, true);
    tree->CopyToClipBoard();
    // Without user data: the handler writes nothing for this node.
    tree->OnSaveNode = nullptr;
    std::string data = ClipboardData(Format(L"Virtual Tree Data"));
    ASSERT_EQ(data.size(), 4u + 33u);
    EXPECT_EQ(data.substr(0, 4), std::string("\x21\0\0\0", 4));
    EXPECT_EQ(data.substr(4, 8), std::string("\x01\0\0\0\x19\0\0\0", 8));
}

TEST_F(TransferTest, ASelectedParentAndChildAreRenderedOnce)
{
    tree->TreeOptions().SetSelectionOptions(tree->TreeOptions().SelectionOptions() | toMultiSelect);
    PVirtualNode a = Add(*tree, nullptr, u"ab");
    PVirtualNode b = Add(*tree, a, u"cd");
    tree->ValidateNode(nullptr, true);
    tree->SetSelected(a, true);
    tree->SetSelected(b, true);
    tree->CopyToClipBoard();
    tree->OnSaveNode = nullptr;
    std::string data = ClipboardData(Format(L"Virtual Tree Data"));
    EXPECT_EQ(data.size(), 4u + 66u);
}

TEST_F(TransferTest, EachTextFormatIsRenderedFromTheCopiedNodes)
{
    PVirtualNode a = Add(*tree, nullptr, u"ab");
    Add(*tree, nullptr, u"xy");
    tree->SetSelected(a, true);
    tree->CopyToClipBoard();
    EXPECT_EQ(ClipboardData(CF_UNICODETEXT), std::string("a\0b\0\r\0\n\0\0\0", 10));
    EXPECT_EQ(ClipboardData(CF_TEXT), std::string("ab\r\n\0", 5));
    EXPECT_EQ(ClipboardData(Format(L"CSV")), std::string("ab\r\n\0", 5));
    EXPECT_NE(ClipboardData(Format(L"Rich Text Format")).find("\\u97\\'3f\\u98\\'3f"), std::string::npos);
    EXPECT_EQ(ClipboardData(Format(L"HTML Format")).substr(0, 34), "Version:1.0\r\nStartHTML:00000097\r\nE");
}

TEST_F(TransferTest, TheDataObjectAnswersRequestsByTheirMismatch)
{
    TVTDataObject* object = new TVTDataObject(tree, false);
    const struct {
        FORMATETC format;
        HRESULT result;
    } cases[] = {
        {Request(CF_TEXT), S_OK},
        {Request(CF_TEXT, TYMED_ISTREAM), DV_E_TYMED},
        {FORMATETC{CF_TEXT, nullptr, DVASPECT_CONTENT, 0, TYMED_HGLOBAL}, DV_E_LINDEX},
        {FORMATETC{CF_TEXT, nullptr, DVASPECT_ICON, -1, TYMED_HGLOBAL}, DV_E_DVASPECT},
        {Request(CF_BITMAP), DV_E_CLIPFORMAT},
    };
    for (auto c : cases)
        EXPECT_EQ(object->QueryGetData(&c.format), c.result) << c.format.cfFormat;

    IEnumFORMATETC* formats = nullptr;
    ASSERT_EQ(object->EnumFormatEtc(DATADIR_GET, &formats), S_OK);
    EXPECT_EQ(object->EnumFormatEtc(DATADIR_SET, &formats), OLE_S_USEREG);
    ASSERT_EQ(object->EnumFormatEtc(DATADIR_GET, &formats), S_OK);
    FORMATETC got[10];
    ULONG fetched = 0;
    EXPECT_EQ(formats->Skip(2), S_OK);
    EXPECT_EQ(formats->Next(1, got, &fetched), S_OK);
    EXPECT_EQ(got[0].cfFormat, Format(L"Rich Text Format Without Objects"));
    EXPECT_EQ(formats->Skip(40), S_FALSE);
    formats->Reset();
    EXPECT_EQ(formats->Next(10, got, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 7u);
    IEnumFORMATETC* clone = nullptr;
    EXPECT_EQ(formats->Clone(&clone), S_OK);
    EXPECT_EQ(clone->Next(1, got, &fetched), S_FALSE);
    clone->Release();
    formats->Release();
    object->Release();
}

TEST_F(TransferTest, DataSetOnTheObjectIsSharedWithReaders)
{
    TVTDataObject* object = new TVTDataObject(tree, false);
    FORMATETC format = Request(Format(L"Transfer test data"));
    STGMEDIUM medium = GlobalMedium("xyz");
    ASSERT_EQ(object->SetData(&format, &medium, FALSE), S_OK);
    GlobalFree(medium.hGlobal);   // the object keeps its own copy
    for (int round = 0; round < 2; ++round) {
        STGMEDIUM out{};
        ASSERT_EQ(object->GetData(&format, &out), S_OK);
        EXPECT_EQ(out.pUnkForRelease, static_cast<IUnknown*>(object));
        EXPECT_EQ(Take(out).substr(0, 3), "xyz");
    }
    object->Release();
}

TEST_F(TransferTest, DataHandedOverOnSetDataIsReleasedWithTheObject)
{
    TVTDataObject* object = new TVTDataObject(tree, false);
    ReleaseCounter counter;
    FORMATETC format = Request(Format(L"Transfer test data"));
    STGMEDIUM medium = GlobalMedium("uvw");
    HGLOBAL block = medium.hGlobal;
    medium.pUnkForRelease = &counter;
    ASSERT_EQ(object->SetData(&format, &medium, TRUE), S_OK);
    STGMEDIUM out{};
    ASSERT_EQ(object->GetData(&format, &out), S_OK);
    EXPECT_EQ(out.hGlobal, block) << "the object keeps the handle it was given, no copy";
    EXPECT_EQ(Take(out), "uvw");
    EXPECT_EQ(counter.releases, 0);
    object->Release();
    EXPECT_EQ(counter.releases, 1) << "the medium handed over is released once, with the object";
    GlobalFree(block);
}

TEST_F(TransferTest, TheReferenceIsRefusedWhileFlushingAndWhenForged)
{
    TVTDataObject* object = new TVTDataObject(tree, true);
    EXPECT_EQ(tree->TreeOfDataObject(object), tree);
    tree->ChangeStates(tsClipboardFlushing, 0);
    FORMATETC reference = Request(TreeReferenceFormat());
    STGMEDIUM medium{};
    EXPECT_EQ(object->GetData(&reference, &medium), E_FAIL);
    tree->ChangeStates(0, tsClipboardFlushing);

    struct {
        DWORD process, reserved;
        uint64_t tree;
    } forged[] = {{GetCurrentProcessId() + 1, 0, uint64_t(uintptr_t(tree))},
                  {GetCurrentProcessId(), 0, uint64_t(uintptr_t(tree)) + 8},
                  {GetCurrentProcessId(), 0, uint64_t(uintptr_t(tree))}};
    EXPECT_EQ(LiveTreeOfReference(&forged[0], 16), nullptr);
    EXPECT_EQ(LiveTreeOfReference(&forged[1], 16), nullptr);
    EXPECT_EQ(LiveTreeOfReference(&forged[2], 8), nullptr);
    EXPECT_EQ(LiveTreeOfReference(&forged[2], 16), tree);
    // A tree that goes detaches its objects: they name no tree any more.
    delete second;
    second = nullptr;
    TVTDataObject* orphan = new TVTDataObject(tree, false);
    DetachTransferObjects(tree);
    EXPECT_EQ(orphan->GetData(&reference, &medium), E_FAIL);
    EXPECT_EQ(LiveTreeOfReference(&forged[2], 16), nullptr);
    orphan->Release();
    object->Detach();
    object->Release();
}

TEST_F(TransferTest, CutAndPasteMovesNodesIntoAnotherTree)
{
    PVirtualNode a = Add(*tree, nullptr, u"ab");
    Add(*tree, nullptr, u"cd");
    tree->SetSelected(a, true);
    tree->CutToClipBoard();
    EXPECT_TRUE(second->PasteFromClipboard());
    EXPECT_EQ(tree->RootNodeCount(), 1u);
    ASSERT_EQ(second->RootNodeCount(), 1u);
    EXPECT_EQ(second->Text(second->GetFirst(), NoColumn), u"ab");
    EXPECT_FALSE(tree->TreeStates() & tsCutPending);
}

TEST_F(TransferTest, CopyAndPasteWithinOneTreeReportsCopiedNodes)
{
    PVirtualNode a = Add(*tree, nullptr, u"ab");
    tree->SetSelected(a, true);
    tree->CopyToClipBoard();
    std::vector<TChangeReason> reasons;
    tree->OnStructureChange = [&](TBaseVirtualTree*, PVirtualNode, TChangeReason reason) { reasons.push_back(reason); };
    tree->SetFocusedNode(nullptr);
    EXPECT_TRUE(tree->PasteFromClipboard());
    EXPECT_EQ(tree->RootNodeCount(), 2u);
    EXPECT_EQ(tree->Text(tree->GetLast(), NoColumn), u"ab");
    EXPECT_NE(std::find(reasons.begin(), reasons.end(), crNodeCopied), reasons.end());

    // Refused copies leave the tree as it was; a read-only tree takes nothing.
    tree->OnNodeCopying = [](TBaseVirtualTree*, PVirtualNode, PVirtualNode, bool& allowed) { allowed = false; };
    EXPECT_TRUE(tree->PasteFromClipboard());
    EXPECT_EQ(tree->RootNodeCount(), 2u);
    tree->OnNodeCopying = nullptr;
    tree->TreeOptions().SetMiscOptions(tree->TreeOptions().MiscOptions() | toReadOnly);
    EXPECT_FALSE(tree->PasteFromClipboard());
    EXPECT_EQ(tree->RootNodeCount(), 2u);
    tree->TreeOptions().SetMiscOptions(tree->TreeOptions().MiscOptions() & ~toReadOnly);
}

TEST_F(TransferTest, APasteFailsWhenTheClipboardGivesNoData)
{
    const HRESULT answers[] = {CLIPBRD_E_CANT_OPEN, S_OK};
    for (HRESULT answer : answers) {
        second->clipboard = [answer](IDataObject** data) {
            *data = nullptr;
            return answer;
        };
        try {
            second->PasteFromClipboard();
            ADD_FAILURE() << "paste succeeded with answer " << std::hex << answer;
        } catch (const EVirtualTreeError& e) {
            EXPECT_EQ(e.HelpContext(), 2007);
            EXPECT_STREQ(e.what(), "Clipboard operation failed.");
        }
        EXPECT_EQ(second->RootNodeCount(), 0u);
    }
    second->clipboard = nullptr;
}

TEST_F(TransferTest, PastedDataCannotBeWrittenTo)
{
    PVirtualNode a = Add(*tree, nullptr, u"ab");
    tree->SetSelected(a, true);
    // Data in global memory only, as other programs offer it: a paste reads it in place.
    TVTDataObject* object = new TVTDataObject(tree, false);
    FORMATETC format = Request(Format(L"Virtual Tree Data"));
    STGMEDIUM medium{};
    ASSERT_EQ(tree->RenderData(format, medium, false), S_OK);
    ASSERT_EQ(medium.tymed, DWORD(TYMED_HGLOBAL));
    ASSERT_EQ(object->SetData(&format, &medium, TRUE), S_OK);
    second->clipboard = [object](IDataObject** data) {
        object->AddRef();
        *data = object;
        return S_OK;
    };
    second->OnLoadNode = [](TBaseVirtualTree*, PVirtualNode node, core::Stream& stream) {
        if (node)
            stream.WriteBuffer("xy", 2);
    };
    try {
        second->PasteFromClipboard();
        ADD_FAILURE() << "writing to pasted data succeeded";
    } catch (const core::EStreamError& e) {
        EXPECT_STREQ(e.what(), "Can't write to a read-only resource stream");
    }
    EXPECT_EQ(second->UpdateCount(), 0u) << "the update opened for the paste is closed";
    EXPECT_EQ(second->RootNodeCount(), 0u) << "the half-read node is taken out again";
    // The data is still whole for a paste that only reads.
    Prepare(*second);
    EXPECT_TRUE(second->PasteFromClipboard());
    ASSERT_EQ(second->RootNodeCount(), 1u);
    EXPECT_EQ(second->Text(second->GetFirst(), NoColumn), u"ab");
    second->clipboard = nullptr;
    object->Release();
}

TEST_F(TransferTest, AClipboardThatLetsGoOfTheDataClearsTheMarks)
{
    PVirtualNode a = Add(*tree, nullptr, u"ab");
    tree->SetSelected(a, true);
    tree->CutToClipBoard();
    EXPECT_TRUE(treeview::HasState(a, vsCutOrCopy));
    OleSetClipboard(nullptr);
    EXPECT_FALSE(treeview::HasState(a, vsCutOrCopy));
    EXPECT_FALSE(tree->TreeStates() & tsCutPending);
    EXPECT_EQ(tree->RootNodeCount(), 1u);
}

TEST_F(TransferTest, FlushedDataOutlivesTheTree)
{
    PVirtualNode a = Add(*tree, nullptr, u"ab");
    tree->SetSelected(a, true);
    tree->CopyToClipBoard();
    tree->FlushClipboard();
    EXPECT_FALSE(tree->TreeStates() & tsCopyPending);
    tree->OnGetText = nullptr;
    second->OnGetText = nullptr;
    form.reset();
    tree = second = nullptr;
    EXPECT_EQ(ClipboardData(CF_UNICODETEXT), std::string("a\0b\0\r\0\n\0\0\0", 10));
}

// The header stream's font fields land on the window's header font, pitch included, and are
// written from it.
TEST_F(TransferTest, HeaderStreamFontFieldsMapOntoTheHeaderFont)
{
    ui::Font& font = tree->HeaderFont();
    font.SetName(u"宋体");
    font.SetHeight(-15);
    font.SetStyle(ui::fsBold | ui::fsUnderline);
    font.SetColor(ui::Color(0x102030));
    font.SetPitch(ui::fpFixed);
    core::MemoryStream stream;
    tree->Header().SaveToStream(stream);
    stream.SetPosition(0);
    second->Header().LoadFromStream(stream);
    ui::Font& read = second->HeaderFont();
    EXPECT_EQ(read.Name(), u"宋体");
    EXPECT_EQ(read.Height(), -15);
    EXPECT_EQ(read.Style(), ui::fsBold | ui::fsUnderline);
    EXPECT_EQ(read.FontColor(), ui::Color(0x102030));
    EXPECT_EQ(read.Pitch(), ui::fpFixed);
    LOGFONTW lf{};
    ASSERT_EQ(GetObjectW(read.Handle(), sizeof lf, &lf), int(sizeof lf));
    EXPECT_EQ(lf.lfPitchAndFamily & 3, FIXED_PITCH);
    EXPECT_EQ(lf.lfHeight, -15);

    // A variable pitch goes out as ordinal 1 and comes back the same.
    font.SetPitch(ui::fpVariable);
    EXPECT_EQ(tree->HeaderFontRecord().Pitch, 1);
    core::MemoryStream again;
    tree->Header().SaveToStream(again);
    again.SetPosition(0);
    second->Header().LoadFromStream(again);
    EXPECT_EQ(second->HeaderFont().Pitch(), ui::fpVariable);
    EXPECT_EQ(second->HeaderFontRecord().Pitch, 1);
}

} // namespace
} // namespace treeview::test
