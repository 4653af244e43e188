// Trees as OLE drop targets and drag sources: the drop effect chosen for keys and source, the drop
// target and mode under the pointer, refusal without a handler, auto-expand and auto-scroll, errors
// of the drop handler, drop processing and real drags between two trees.
#include "treeview/dataobject_win32.h"
#include "treeview/string_tree.h"
#include "treeview/test/treeform_win32.h"
#include "ui/panel.h"

#include <shlobj.h>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace treeview::test {
namespace {

constexpr int RowHeight = 18;

class OpenTree : public TVirtualStringTree {
public:
    using TVirtualStringTree::TVirtualStringTree;
    using TVirtualStringTree::ChangeStates;
    // The auto-scroll delay's clock when set (milliseconds, never 0).
    uint32_t now = 0;

protected:
    uint32_t TickMilliseconds() const override { return now ? now : TVirtualStringTree::TickMilliseconds(); }
};

// Two string trees side by side; nodes carry two-character names as their data, which travel in
// the node stream.
class DropTest : public TreeInForm<OpenTree> {
protected:
    DropTest()
    {
        form->SetClientSize(440, 320);
        tree->SetBounds(10, 10, 200, 300);
        second = new OpenTree(form.get());
        second->SetParent(form.get());
        second->SetBounds(230, 10, 200, 300);
        for (OpenTree* t : {tree, second})
            Prepare(*t);
        // Registered as drop targets when their windows are made.
        for (OpenTree* t : {tree, second})
            t->TreeOptions().SetMiscOptions(t->TreeOptions().MiscOptions() | toAcceptOLEDrop);
        form->Show();
        Pump();
    }
    ~DropTest() override
    {
        if (target)
            target->Release();
        for (OpenTree* t : {tree, second}) {
            t->OnGetText = nullptr;
            t->OnSaveNode = nullptr;
            t->OnLoadNode = nullptr;
            t->OnDragOver = nullptr;
            t->OnDragDrop = nullptr;
            t->OnDragAllowed = nullptr;
        }
        form.reset();
    }
    void Prepare(OpenTree& t)
    {
        t.SetDefaultNodeHeight(RowHeight);
        t.SetNodeDataSize(sizeof(char16_t) * 2);
        t.ClipboardFormats().Add(u"Virtual Tree Data");
        UseTwoCharacterNames(t);
    }
    PVirtualNode Add(OpenTree& t, PVirtualNode parent, const char16_t* name)
    {
        PVirtualNode node = t.AddChild(parent);
        std::memcpy(t.GetNodeData(node), name, 4);
        t.ValidateNode(node, false);
        return node;
    }
    static std::u16string Names(OpenTree& t)
    {
        std::u16string out;
        for (PVirtualNode n = t.GetFirst(); n; n = t.GetNext(n)) {
            if (!out.empty())
                out += u' ';
            out.append(t.GetNodeData<char16_t>(n), 2);
        }
        return out;
    }
    // Accepts every position and records what the handler saw.
    void AcceptDrops(OpenTree& t)
    {
        t.OnDragOver = [this](TBaseVirtualTree*, core::Object* source, ui::ShiftState, TDragState state, TPoint,
                              TDropMode mode, DWORD& effect) {
            overs.push_back({source, state, mode, effect});
            return true;
        };
    }
    // Screen point of a client point of a tree.
    static POINTL Screen(OpenTree& t, int x, int y)
    {
        POINT p{x, y};
        ClientToScreen(t.Handle(), &p);
        return POINTL{p.x, p.y};
    }
    IDropTarget* TargetOf(OpenTree& t)
    {
        IDropTarget* result = nullptr;
        t.DragManager()->QueryInterface(IID_IDropTarget, reinterpret_cast<void**>(&result));
        return result;
    }
    struct Over {
        core::Object* source;
        TDragState state;
        TDropMode mode;
        DWORD effect;
    };
    std::vector<Over> overs;
    OpenTree* second = nullptr;
    IDropTarget* target = nullptr;
};

TEST_F(DropTest, ChooseDropEffectFollowsKeysAndSource)
{
    constexpr DWORD C = DROPEFFECT_COPY, M = DROPEFFECT_MOVE, L = DROPEFFECT_LINK, All = C | M | L;
    struct Case {
        bool sameTree;
        ui::ShiftState keys;
        DWORD allowed, expected;
    } cases[] = {
        {true, 0, All, M},           {false, 0, All, C},          {true, 0, C | L, C | L},
        {false, 0, M, M},            {true, ui::ssCtrl, All, C},  {false, ui::ssShift, All, M},
        {true, ui::ssAlt, All, L},   {false, ui::ssCtrl | ui::ssShift, All, L},
        {false, ui::ssCtrl | ui::ssShift, C | M, C}, {true, ui::ssCtrl, M, M},
        {false, ui::ssAlt, C | M, C}, {false, ui::ssCtrl | ui::ssAlt, All, C},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sameTree << " keys " << c.keys << " allowed " << c.allowed);
        EXPECT_EQ(tree->ChooseDropEffect(c.sameTree ? tree : static_cast<core::Object*>(second), c.keys, POINT{},
                                         c.allowed),
                  c.expected);
    }
}

TEST_F(DropTest, DropModeUnderThePointer)
{
    PVirtualNode a = Add(*tree, nullptr, u"aa");
    Add(*tree, nullptr, u"bb");
    AcceptDrops(*tree);
    IDataObject* data = second->CreateDataObject(false);
    target = TargetOf(*tree);
    const TRect label = tree->GetDisplayRect(a, NoColumn, true);
    const int right = label.Right + 20; // in the row, right of the text
    struct Case {
        const char* name;
        bool dropMark;
        int x, y;
        PVirtualNode node;
        TDropMode mode;
    } cases[] = {
        {"label", true, label.Left + 2, 3, a, dmOnNode},
        {"upper half", true, right, 3, a, dmAbove},
        {"lower half", true, right, RowHeight - 3, a, dmBelow},
        {"no drop mark", false, right, 3, a, dmOnNode},
        {"below the rows", true, right, 3 * RowHeight + 5, nullptr, dmNowhere},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto& options = tree->TreeOptions();
        options.SetPaintOptions(c.dropMark ? options.PaintOptions() | toShowDropmark
                                           : options.PaintOptions() & ~toShowDropmark);
        DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        ASSERT_EQ(target->DragEnter(data, 0, Screen(*tree, c.x, c.y), &effect), S_OK);
        effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        ASSERT_EQ(target->DragOver(0, Screen(*tree, c.x, c.y), &effect), S_OK);
        EXPECT_EQ(tree->DropTargetNode(), c.node);
        EXPECT_EQ(tree->LastDropMode(), c.mode);
        EXPECT_EQ(effect, DWORD(DROPEFFECT_COPY)); // another tree's data is copied by default
        EXPECT_EQ(target->DragLeave(), S_OK);
        EXPECT_EQ(tree->DropTargetNode(), nullptr);
    }
    ASSERT_FALSE(overs.empty());
    EXPECT_EQ(overs.front().state, dsDragEnter);
    EXPECT_EQ(overs.front().source, second);
    EXPECT_EQ(overs.back().state, dsDragLeave);
    EXPECT_EQ(overs.back().source, nullptr);
    data->Release();
}

TEST_F(DropTest, ReportModeCountsOnlyTheMainColumnsLabel)
{
    for (int i = 0; i < 2; ++i)
        tree->Header().Columns().Add().SetWidth(90);
    tree->Header().SetOptions(TVTHeaderOptions(tree->Header().Options() | hoVisible));
    tree->TreeOptions().SetMiscOptions(tree->TreeOptions().MiscOptions() | toReportMode);
    PVirtualNode a = Add(*tree, nullptr, u"aa");
    AcceptDrops(*tree);
    IDataObject* data = second->CreateDataObject(false);
    target = TargetOf(*tree);
    const TRect label = tree->GetDisplayRect(a, 0, true);
    DWORD effect = DROPEFFECT_COPY;
    target->DragEnter(data, 0, Screen(*tree, label.Left + 2, 3), &effect);
    effect = DROPEFFECT_COPY;
    target->DragOver(0, Screen(*tree, label.Left + 2, 3), &effect);
    EXPECT_EQ(tree->DropTargetNode(), a);
    EXPECT_EQ(tree->LastDropMode(), dmOnNode);
    effect = DROPEFFECT_COPY;
    target->DragOver(0, Screen(*tree, 130, 3), &effect); // the second column's cell
    EXPECT_EQ(tree->DropTargetNode(), nullptr);
    EXPECT_EQ(tree->LastDropMode(), dmNowhere);
    target->DragLeave();
    data->Release();
}

TEST_F(DropTest, WithoutAHandlerEveryPositionIsRefusedAndTheDropFails)
{
    PVirtualNode a = Add(*tree, nullptr, u"aa");
    IDataObject* data = second->CreateDataObject(false);
    target = TargetOf(*tree);
    const TRect label = tree->GetDisplayRect(a, NoColumn, true);
    const POINTL p = Screen(*tree, label.Left + 2, 3);
    DWORD effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->DragEnter(data, 0, p, &effect), S_OK);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->DragOver(0, p, &effect), S_OK);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
    bool dropped = false;
    tree->OnDragDrop = [&](TBaseVirtualTree*, core::Object*, IDataObject*, const std::vector<UINT>&, ui::ShiftState,
                           TPoint, DWORD&, TDropMode) { dropped = true; };
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->Drop(data, 0, p, &effect), E_FAIL);
    EXPECT_FALSE(dropped);
    EXPECT_EQ(tree->DropTargetNode(), nullptr);
    data->Release();
}

TEST_F(DropTest, DropHandsFormatsToTheHandlerAndItsErrorsAreReported)
{
    PVirtualNode a = Add(*tree, nullptr, u"aa");
    AcceptDrops(*tree);
    IDataObject* data = second->CreateDataObject(false);
    target = TargetOf(*tree);
    const TRect label = tree->GetDisplayRect(a, NoColumn, true);
    const POINTL p = Screen(*tree, label.Left + 2, 3);
    std::vector<UINT> seen;
    TDropMode seenMode = dmNowhere;
    tree->OnDragDrop = [&](TBaseVirtualTree*, core::Object* source, IDataObject* object,
                           const std::vector<UINT>& formats, ui::ShiftState, TPoint, DWORD&, TDropMode mode) {
        EXPECT_EQ(source, second);
        EXPECT_EQ(object, data);
        seen = formats;
        seenMode = mode;
    };
    DWORD effect = DROPEFFECT_COPY;
    target->DragEnter(data, 0, p, &effect);
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->Drop(data, 0, p, &effect), S_OK);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_COPY));
    EXPECT_EQ(seen, std::vector<UINT>{RegisterClipboardFormatW(L"Virtual Tree Data")});
    EXPECT_EQ(seenMode, dmOnNode);
    EXPECT_EQ(tree->DropTargetNode(), nullptr);

    tree->OnDragDrop = [](TBaseVirtualTree*, core::Object*, IDataObject*, const std::vector<UINT>&, ui::ShiftState,
                          TPoint, DWORD&, TDropMode) { throw std::runtime_error("drop failed"); };
    effect = DROPEFFECT_COPY;
    target->DragEnter(data, 0, p, &effect);
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->Drop(data, 0, p, &effect), E_UNEXPECTED);
    ASSERT_EQ(m_errors.size(), 1u);
    EXPECT_EQ(m_errors[0], u"drop failed");
    data->Release();
}

// Data whose formats cannot be listed: the enumerator is refused, or refuses to start over.
class UnlistableData : public IDataObject {
public:
    explicit UnlistableData(bool refuseReset) : m_refuse_reset(refuseReset) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDataObject)) {
            *object = this;
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --m_refs; }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC*, STGMEDIUM*) override { return DV_E_FORMATETC; }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC*) override { return DV_E_FORMATETC; }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC** result) override
    {
        *result = nullptr;
        if (!m_refuse_reset)
            return E_OUTOFMEMORY;
        static const FORMATETC formats[] = {{CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}};
        HRESULT hr = SHCreateStdEnumFmtEtc(1, formats, result);
        if (SUCCEEDED(hr))
            *result = new ResetRefused(*result);
        return hr;
    }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }
    ULONG References() const { return m_refs; }

private:
    // A standard enumerator whose Reset fails.
    class ResetRefused final : public IEnumFORMATETC {
    public:
        explicit ResetRefused(IEnumFORMATETC* inner) : m_inner(inner) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
        {
            if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IEnumFORMATETC)) {
                *object = this;
                AddRef();
                return S_OK;
            }
            *object = nullptr;
            return E_NOINTERFACE;
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
        ULONG STDMETHODCALLTYPE Release() override
        {
            if (--m_refs)
                return m_refs;
            m_inner->Release();
            delete this;
            return 0;
        }
        HRESULT STDMETHODCALLTYPE Next(ULONG n, FORMATETC* out, ULONG* fetched) override
        {
            return m_inner->Next(n, out, fetched);
        }
        HRESULT STDMETHODCALLTYPE Skip(ULONG n) override { return m_inner->Skip(n); }
        HRESULT STDMETHODCALLTYPE Reset() override { return E_FAIL; }
        HRESULT STDMETHODCALLTYPE Clone(IEnumFORMATETC**) override { return E_NOTIMPL; }

    private:
        IEnumFORMATETC* m_inner;
        ULONG m_refs = 1;
    };
    bool m_refuse_reset;
    ULONG m_refs = 1;
};

TEST_F(DropTest, ADropWhoseFormatsCannotBeListedIsAbandoned)
{
    PVirtualNode a = Add(*tree, nullptr, u"aa");
    AcceptDrops(*tree);
    bool dropped = false;
    tree->OnDragDrop = [&](TBaseVirtualTree*, core::Object*, IDataObject*, const std::vector<UINT>&, ui::ShiftState,
                           TPoint, DWORD&, TDropMode) { dropped = true; };
    target = TargetOf(*tree);
    const TRect label = tree->GetDisplayRect(a, NoColumn, true);
    const POINTL p = Screen(*tree, label.Left + 2, 3);
    for (bool refuseReset : {false, true}) {
        SCOPED_TRACE(refuseReset ? "reset refused" : "enumeration refused");
        UnlistableData data(refuseReset);
        DWORD effect = DROPEFFECT_COPY;
        ASSERT_EQ(target->DragEnter(&data, 0, p, &effect), S_OK);
        EXPECT_EQ(effect, DWORD(DROPEFFECT_COPY));
        effect = DROPEFFECT_COPY;
        EXPECT_EQ(target->Drop(&data, 0, p, &effect), E_UNEXPECTED);
        EXPECT_FALSE(dropped);
        EXPECT_TRUE(m_errors.empty()); // abandoned without a message
        EXPECT_EQ(tree->DropTargetNode(), nullptr);
        EXPECT_EQ(data.References(), 1u);
    }
}

TEST_F(DropTest, HoveringExpandsTheTargetAfterTheDelayRestartedByANewTarget)
{
    tree->TreeOptions().SetAutoOptions(tree->TreeOptions().AutoOptions() | toAutoDropExpand);
    tree->SetAutoExpandDelay(500);
    PVirtualNode a = Add(*tree, nullptr, u"aa");
    Add(*tree, a, u"a1");
    PVirtualNode b = Add(*tree, nullptr, u"bb");
    Add(*tree, b, u"b1");
    AcceptDrops(*tree);
    IDataObject* data = second->CreateDataObject(false);
    target = TargetOf(*tree);
    const int x = tree->GetDisplayRect(a, NoColumn, true).Left + 2;
    DWORD effect = DROPEFFECT_COPY;
    target->DragEnter(data, 0, Screen(*tree, x, 3), &effect);
    target->DragOver(0, Screen(*tree, x, 3), &effect);
    m_clock.Advance(300);
    // Moving to another node before the delay ends starts it anew for that node.
    target->DragOver(0, Screen(*tree, x, RowHeight + 3), &effect);
    EXPECT_EQ(tree->DropTargetNode(), b);
    m_clock.Advance(499);
    EXPECT_FALSE(tree->Expanded(a));
    EXPECT_FALSE(tree->Expanded(b));
    m_clock.Advance(1);
    EXPECT_TRUE(tree->Expanded(b));
    EXPECT_FALSE(tree->Expanded(a));
    // Leaving stops a pending expansion.
    target->DragOver(0, Screen(*tree, x, 3), &effect);
    EXPECT_EQ(tree->DropTargetNode(), a);
    target->DragLeave();
    m_clock.Advance(1000);
    EXPECT_FALSE(tree->Expanded(a));
    data->Release();
}

TEST_F(DropTest, EachDragEnterWaitsTheWholeAutoScrollDelay)
{
    tree->TreeOptions().SetAutoOptions(tree->TreeOptions().AutoOptions() | toAutoScroll);
    tree->SetAutoScrollDelay(1000);
    for (int i = 0; i < 40; ++i)
        Add(*tree, nullptr, u"nn");
    AcceptDrops(*tree);
    IDataObject* data = second->CreateDataObject(false);
    target = TargetOf(*tree);
    const POINTL edge = Screen(*tree, 30, tree->ClientHeight() - 3);
    auto over = [&](uint32_t at) {
        tree->now = at;
        DWORD effect = DROPEFFECT_COPY;
        target->DragOver(0, edge, &effect);
        return effect;
    };
    DWORD effect = DROPEFFECT_COPY;
    tree->now = 5000;
    target->DragEnter(data, 0, edge, &effect);
    EXPECT_EQ(over(5000), DWORD(DROPEFFECT_COPY)); // the delay starts at the edge
    target->DragLeave();
    // A later drag entering straight at the edge starts its own delay.
    tree->now = 7000;
    effect = DROPEFFECT_COPY;
    target->DragEnter(data, 0, edge, &effect);
    EXPECT_EQ(over(7000), DWORD(DROPEFFECT_COPY));
    EXPECT_EQ(over(7999), DWORD(DROPEFFECT_COPY));
    EXPECT_EQ(tree->OffsetY(), 0);
    EXPECT_EQ(over(8000), DWORD(DROPEFFECT_COPY) | DROPEFFECT_SCROLL);
    EXPECT_LT(tree->OffsetY(), 0);
    target->DragLeave();
    data->Release();
}

TEST_F(DropTest, AStepNearTheEdgeScrollsAndSaysSo)
{
    tree->TreeOptions().SetAutoOptions(tree->TreeOptions().AutoOptions() | toAutoScroll);
    tree->SetAutoScrollDelay(0);
    std::vector<PVirtualNode> nodes;
    for (int i = 0; i < 40; ++i)
        nodes.push_back(Add(*tree, nullptr, u"nn"));
    AcceptDrops(*tree);
    IDataObject* data = second->CreateDataObject(false);
    target = TargetOf(*tree);
    const int bottom = tree->ClientHeight() - 3;
    DWORD effect = DROPEFFECT_COPY;
    target->DragEnter(data, 0, Screen(*tree, 30, bottom), &effect);
    effect = DROPEFFECT_COPY;
    target->DragOver(0, Screen(*tree, 30, bottom), &effect);
    EXPECT_LT(tree->OffsetY(), 0);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_COPY) | DROPEFFECT_SCROLL);
    // In the middle nothing scrolls.
    const int offset = tree->OffsetY();
    effect = DROPEFFECT_COPY;
    target->DragOver(0, Screen(*tree, 30, 100), &effect);
    EXPECT_EQ(tree->OffsetY(), offset);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_COPY));
    target->DragLeave();
    data->Release();
}

TEST_F(DropTest, ProcessDropOfAMoveFromThisProcessLeavesTheSourceNothingToDelete)
{
    PVirtualNode a = Add(*second, nullptr, u"aa");
    Add(*second, nullptr, u"bb");
    Add(*tree, nullptr, u"xx");
    second->SetSelected(a, true);
    second->CopyToClipBoard();
    IDataObject* data = nullptr;
    ASSERT_EQ(OleGetClipboard(&data), S_OK);
    // Copy and move allowed: copied through the data, and the source is told to delete nothing.
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_TRUE(tree->ProcessDrop(data, tree->GetFirst(), effect, amInsertAfter));
    EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
    EXPECT_EQ(Names(*tree), u"xx aa");
    EXPECT_EQ(Names(*second), u"aa bb");
    effect = DROPEFFECT_COPY;
    EXPECT_FALSE(tree->ProcessDrop(data, nullptr, effect, amNoWhere));
    EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
    data->Release();
    OleSetClipboard(nullptr);
}

// Puts the mouse at a screen point, optionally pressing or releasing the left button there.
void MouseInput(POINTL p, DWORD buttonFlag)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = LONG((p.x * 65535 + GetSystemMetrics(SM_CXSCREEN) / 2) / (GetSystemMetrics(SM_CXSCREEN) - 1));
    input.mi.dy = LONG((p.y * 65535 + GetSystemMetrics(SM_CYSCREEN) / 2) / (GetSystemMetrics(SM_CYSCREEN) - 1));
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | buttonFlag;
    SendInput(1, &input, sizeof(input));
}

// A real drag with the mouse from the left tree's first row to the empty part of the right tree (or
// of the left tree itself). The right tree's drop handler copies the nodes through the data and
// keeps the effect, so the source decides what a move deletes.
class RealDrag : public DropTest {
protected:
    RealDrag()
    {
        a = Add(*tree, nullptr, u"aa");
        Add(*tree, nullptr, u"bb");
        Add(*second, nullptr, u"xx");
        tree->OnDragAllowed = [](TBaseVirtualTree*, PVirtualNode, TColumnIndex, bool& allowed) { allowed = true; };
        for (OpenTree* t : {tree, second}) {
            AcceptDrops(*t);
            t->OnDragDrop = [this, t](TBaseVirtualTree*, core::Object* source, IDataObject* data,
                                      const std::vector<UINT>&, ui::ShiftState, TPoint, DWORD& effect, TDropMode) {
                dropEffect = effect;
                t->ProcessOLEData(dynamic_cast<TVirtualTreeControl*>(source), data, nullptr, amAddChildLast, false);
            };
        }
    }
    void Drag(OpenTree& to)
    {
        // A second press at the same place soon after the first would be a double click.
        if (drags++ > 0)
            Sleep(GetDoubleClickTime() + 20);
        const TRect label = tree->GetDisplayRect(a, NoColumn, true);
        const POINTL from = Screen(*tree, label.Left + 3, RowHeight / 2);
        const POINTL onto = Screen(to, 60, 8 * RowHeight);
        MouseInput(from, 0);
        Pump();
        MouseInput(from, MOUSEEVENTF_LEFTDOWN);
        Pump();
        // The rest of the way is queued once the drag runs, so that its loop sees it.
        tree->OnStartDrag = [onto](ui::Control*, ui::DragObject*&) {
            MouseInput(onto, 0);
            MouseInput(POINTL{onto.x + 2, onto.y}, 0);
            MouseInput(POINTL{onto.x + 2, onto.y}, MOUSEEVENTF_LEFTUP);
        };
        MouseInput(POINTL{from.x + 12, from.y + 4}, 0);
        Pump();
        tree->OnStartDrag = nullptr;
    }
    PVirtualNode a = nullptr;
    DWORD dropEffect = 0xFFFF;
    int drags = 0;
};

TEST_F(RealDrag, BetweenTwoTrees)
{
    struct Case {
        const char* name;
        TDragOperations operations;
        bool autoDelete;
        DWORD effect;
        const char16_t* source;
    } cases[] = {
        {"copy", doCopy | doMove, true, DROPEFFECT_COPY, u"aa bb"},
        {"move, deleted", doMove, true, DROPEFFECT_MOVE, u"bb"},
        {"move, kept", doMove, false, DROPEFFECT_MOVE, u"aa bb"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tree->SetDragOperations(c.operations);
        auto& options = tree->TreeOptions();
        options.SetAutoOptions(c.autoDelete ? options.AutoOptions() | toAutoDeleteMovedNodes
                                            : options.AutoOptions() & ~toAutoDeleteMovedNodes);
        Drag(*second);
        EXPECT_EQ(dropEffect, c.effect);
        EXPECT_EQ(Names(*second), u"xx aa");
        EXPECT_EQ(Names(*tree), c.source);
        EXPECT_FALSE(tree->Dragging());
        EXPECT_TRUE(tree->DragSelection().empty());
        EXPECT_FALSE(tree->DragImage().Visible());
        // Put the trees back for the next case.
        second->DeleteNode(second->GetLast());
        if (!tree->GetFirst() || tree->GetFirst() != a) {
            a = Add(*tree, nullptr, u"aa");
            tree->MoveTo(a, tree->GetFirst(), amInsertBefore, false);
        }
        dropEffect = 0xFFFF;
    }
}

TEST_F(RealDrag, EmptyOperationsAllowAllAndTheSameTreeProposesMove)
{
    tree->SetDragOperations(0);
    Drag(*tree);
    ASSERT_FALSE(overs.empty());
    EXPECT_EQ(overs.front().source, tree);
    EXPECT_EQ(dropEffect, DWORD(DROPEFFECT_MOVE));
    overs.clear();
    Drag(*second);
    ASSERT_FALSE(overs.empty());
    EXPECT_EQ(dropEffect, DWORD(DROPEFFECT_COPY));
}

TEST_F(RealDrag, ANodeDeletedDuringTheDragIsNotDeletedAgain)
{
    tree->SetDragOperations(doMove);
    tree->TreeOptions().SetAutoOptions(tree->TreeOptions().AutoOptions() | toAutoDeleteMovedNodes);
    second->OnDragDrop = [this](TBaseVirtualTree*, core::Object*, IDataObject*, const std::vector<UINT>&,
                                ui::ShiftState, TPoint, DWORD&, TDropMode) {
        EXPECT_EQ(tree->DragSelection(), TNodeArray{a});
        tree->DeleteNode(a);
        EXPECT_TRUE(tree->DragSelection().empty());
    };
    Drag(*second);
    EXPECT_EQ(Names(*tree), u"bb");
}

// Drags of the class library with the mouse between the left tree and a plain panel below it.
class ClassLibraryDrag : public RealDrag {
protected:
    ClassLibraryDrag()
    {
        form->SetClientSize(440, 380);
        panel = new ui::Panel(form.get());
        panel->SetParent(form.get());
        panel->SetBounds(10, 320, 200, 50);
        Pump();
    }
    ~ClassLibraryDrag() override
    {
        panel->OnDragOver = nullptr;
        panel->OnDragDrop = nullptr;
        panel->OnStartDrag = nullptr;
    }
    POINTL PanelPoint()
    {
        POINT p{100, 25};
        ClientToScreen(panel->Handle(), &p);
        return POINTL{p.x, p.y};
    }
    // Presses at from, moves past the threshold and, once the drag started, on to onto and releases.
    void Drag(ui::Control& source, POINTL from, POINTL onto)
    {
        source.OnStartDrag = [onto](ui::Control*, ui::DragObject*&) {
            MouseInput(onto, 0);
            MouseInput(POINTL{onto.x + 2, onto.y}, 0);
            MouseInput(POINTL{onto.x + 2, onto.y}, MOUSEEVENTF_LEFTUP);
        };
        MouseInput(from, 0);
        Pump();
        MouseInput(from, MOUSEEVENTF_LEFTDOWN);
        MouseInput(POINTL{from.x + 12, from.y + 4}, 0);
        Pump();
        source.OnStartDrag = nullptr;
    }
    ui::Panel* panel = nullptr;
};

TEST_F(ClassLibraryDrag, FromTheTreeOntoAPanel)
{
    // Automatic drag mode: a press on a row begins the drag without asking OnDragAllowed.
    tree->SetDragType(dtVCL);
    tree->SetDragMode(ui::dmAutomatic);
    tree->OnDragAllowed = nullptr;
    ui::Control* droppedSource = nullptr;
    int overs = 0;
    panel->OnDragOver = [&](ui::Control*, ui::Control*, int, int, ui::DragState state) {
        overs += state != ui::dsDragLeave;
        return true;
    };
    panel->OnDragDrop = [&](ui::Control*, ui::Control* source, int, int) { droppedSource = source; };
    ui::Control* endTarget = reinterpret_cast<ui::Control*>(1);
    tree->OnEndDrag = [&](ui::Control*, ui::Control* target, int, int) { endTarget = target; };
    const TRect label = tree->GetDisplayRect(a, NoColumn, true);
    Drag(*tree, Screen(*tree, label.Left + 3, RowHeight / 2), PanelPoint());
    tree->OnEndDrag = nullptr;
    EXPECT_GT(overs, 0);
    EXPECT_EQ(droppedSource, tree);
    EXPECT_EQ(endTarget, panel);
    EXPECT_FALSE(tree->TreeStates() & (tsVCLDragPending | tsVCLDragging | tsLeftButtonDown));
    EXPECT_FALSE(ui::Control::DragRunning());
}

TEST_F(ClassLibraryDrag, FromAPanelOntoTheTreesRow)
{
    panel->SetDragMode(ui::dmAutomatic);
    tree->OnDragOver = [](TBaseVirtualTree*, core::Object*, ui::ShiftState, TDragState, TPoint, TDropMode,
                          DWORD&) { return true; };
    core::Object* droppedSource = nullptr;
    PVirtualNode droppedOn = nullptr;
    tree->OnDragDrop = [&](TBaseVirtualTree* sender, core::Object* source, IDataObject* data,
                           const std::vector<UINT>& formats, ui::ShiftState, TPoint, DWORD&, TDropMode) {
        droppedSource = source;
        droppedOn = sender->DropTargetNode();
        EXPECT_EQ(data, nullptr);
        EXPECT_TRUE(formats.empty());
    };
    const TRect label = tree->GetDisplayRect(tree->GetLast(), NoColumn, true);
    Drag(*panel, PanelPoint(), Screen(*tree, label.Left + 3, RowHeight + RowHeight / 2));
    EXPECT_EQ(droppedSource, panel);
    EXPECT_EQ(droppedOn, tree->GetLast());
    EXPECT_EQ(tree->DropTargetNode(), nullptr);
}

} // namespace
} // namespace treeview::test
