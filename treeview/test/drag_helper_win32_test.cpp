// The system's drag-and-drop helper where it takes part: a fake in its place shows which calls the
// drag manager hands on, that the helper counts only while its DragEnter succeeded (the source
// tree's own image is shown otherwise), and how the drag image gives its bitmap to the helper or
// draws itself when the helper refuses.
#include "treeview/drag_manager_win32.h"
#include "treeview/string_tree.h"
#include "treeview/test/treeform_win32.h"

#include <string>
#include <vector>

namespace treeview::test {
namespace {

// Both sides of the helper; it records the calls and answers as told.
class FakeHelper : public IDropTargetHelper, public IDragSourceHelper {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropTargetHelper))
            *object = static_cast<IDropTargetHelper*>(this);
        else if (IsEqualIID(riid, IID_IDragSourceHelper))
            *object = static_cast<IDragSourceHelper*>(this);
        else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }

    HRESULT STDMETHODCALLTYPE DragEnter(HWND target, IDataObject*, POINT*, DWORD) override
    {
        calls.push_back("enter");
        enteredWindow = target;
        return enterResult;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return calls.push_back("leave"), S_OK; }
    HRESULT STDMETHODCALLTYPE DragOver(POINT*, DWORD) override { return calls.push_back("over"), S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject*, POINT*, DWORD) override { return calls.push_back("drop"), S_OK; }
    HRESULT STDMETHODCALLTYPE Show(BOOL) override { return S_OK; }

    HRESULT STDMETHODCALLTYPE InitializeFromBitmap(LPSHDRAGIMAGE image, IDataObject*) override
    {
        calls.push_back("bitmap");
        received = *image;
        if (FAILED(initializeResult))
            return initializeResult;
        DeleteObject(image->hbmpDragImage); // accepted: the helper owns the copy
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE InitializeFromWindow(HWND, POINT*, IDataObject*) override { return E_NOTIMPL; }

    std::vector<std::string> calls;
    HWND enteredWindow = nullptr;
    HRESULT enterResult = S_OK;
    HRESULT initializeResult = S_OK;
    SHDRAGIMAGE received{};
    ULONG refs = 0;
};

FakeHelper* g_fake = nullptr;

HRESULT CreateFake(REFIID iid, void** object)
{
    return g_fake->QueryInterface(iid, object);
}

// The system's full-window-drag setting, for this session only, put back afterwards.
class FullWindowDrag {
public:
    explicit FullWindowDrag(BOOL on)
    {
        SystemParametersInfoW(SPI_GETDRAGFULLWINDOWS, 0, &m_saved, 0);
        SystemParametersInfoW(SPI_SETDRAGFULLWINDOWS, on, nullptr, 0);
    }
    ~FullWindowDrag() { SystemParametersInfoW(SPI_SETDRAGFULLWINDOWS, m_saved, nullptr, 0); }

private:
    BOOL m_saved = FALSE;
};

// The helper factory is replaced before the trees make their drag managers.
class HelperInstalled : public ui::test::UiTest {
protected:
    HelperInstalled()
    {
        g_fake = &fake;
        SetDragDropHelperFactory(CreateFake);
    }
    ~HelperInstalled() override
    {
        SetDragDropHelperFactory(nullptr);
        g_fake = nullptr;
    }
    FakeHelper fake;
};

class DropTargetHelper : public HelperInstalled {
protected:
    DropTargetHelper()
    {
        form->SetClientSize(440, 200);
        for (int i = 0; i < 2; ++i) {
            auto* t = new TVirtualStringTree(form.get());
            t->SetParent(form.get());
            t->SetBounds(10 + 220 * i, 10, 200, 180);
            t->SetRootNodeCount(3);
            t->TreeOptions().SetMiscOptions(t->TreeOptions().MiscOptions() | toAcceptOLEDrop);
            t->OnDragOver = [](TBaseVirtualTree*, core::Object*, ui::ShiftState, TDragState, TPoint, TDropMode,
                               DWORD&) { return true; };
            (i == 0 ? target : source) = t;
        }
        form->Show();
        Pump();
        data = source->CreateDataObject(false);
        // The source's own image, drawn by itself: the helper refuses its bitmap.
        fake.initializeResult = E_FAIL;
        source->PrepareDragImage(TPoint{20, 5}, data);
        fake.calls.clear();
        target->DragManager()->QueryInterface(IID_IDropTarget, reinterpret_cast<void**>(&drop));
    }
    ~DropTargetHelper() override
    {
        source->DragImage().EndDrag();
        drop->Release();
        data->Release();
        for (TVirtualStringTree* t : {target, source})
            t->OnDragOver = nullptr;
        form.reset();
    }
    POINTL Inside()
    {
        POINT p{50, 10};
        ClientToScreen(target->Handle(), &p);
        return POINTL{p.x, p.y};
    }

    std::unique_ptr<ui::Form> form{new ui::Form()};
    TVirtualStringTree* target = nullptr;
    TVirtualStringTree* source = nullptr;
    IDataObject* data = nullptr;
    IDropTarget* drop = nullptr;
};

TEST_F(DropTargetHelper, AHelperThatEnteredGetsEveryCallAndDrawsInsteadOfTheSource)
{
    FullWindowDrag on(TRUE);
    DWORD effect = DROPEFFECT_COPY;
    ASSERT_EQ(drop->DragEnter(data, 0, Inside(), &effect), S_OK);
    EXPECT_TRUE(target->DragManager()->GetDropTargetHelperSupported());
    EXPECT_EQ(fake.enteredWindow, target->Handle());
    EXPECT_FALSE(source->DragImage().Visible());
    effect = DROPEFFECT_COPY;
    drop->DragOver(0, Inside(), &effect);
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(drop->Drop(data, 0, Inside(), &effect), S_OK);
    EXPECT_FALSE(target->DragManager()->GetDropTargetHelperSupported());
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"enter", "over", "drop"}));

    // A drag that leaves, and one whose leave never came, end the helper's part.
    effect = DROPEFFECT_COPY;
    drop->DragEnter(data, 0, Inside(), &effect);
    drop->DragLeave();
    effect = DROPEFFECT_COPY;
    drop->DragEnter(data, 0, Inside(), &effect);
    target->DragManager()->ForceDragLeave();
    EXPECT_FALSE(target->DragManager()->GetDropTargetHelperSupported());
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"enter", "over", "drop", "enter", "leave", "enter", "leave"}));
    drop->DragLeave();
}

TEST_F(DropTargetHelper, WithoutTheHelperTheSourceShowsItsOwnImage)
{
    struct Case {
        const char* name;
        BOOL fullWindow;
        HRESULT enter;
        std::vector<std::string> calls;
    } cases[] = {
        {"helper refuses", TRUE, E_FAIL, {"enter"}},
        {"no full-window drag", FALSE, S_OK, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FullWindowDrag setting(c.fullWindow);
        fake.enterResult = c.enter;
        fake.calls.clear();
        DWORD effect = DROPEFFECT_COPY;
        ASSERT_EQ(drop->DragEnter(data, 0, Inside(), &effect), S_OK);
        EXPECT_FALSE(target->DragManager()->GetDropTargetHelperSupported());
        EXPECT_TRUE(source->DragImage().Visible());
        effect = DROPEFFECT_COPY;
        drop->DragOver(0, Inside(), &effect);
        drop->DragLeave();
        EXPECT_FALSE(source->DragImage().Visible());
        EXPECT_EQ(fake.calls, c.calls);
    }
}

class DragSourceHelper : public HelperInstalled {
protected:
    DragSourceHelper()
    {
        picture.Canvas().SetBrushColor(ui::Color(0x3366CC));
        picture.Canvas().FillRect(RECT{0, 0, 40, 30});
        image.SetColorKey(ui::Color(0x00FF00));
    }
    ~DragSourceHelper() override
    {
        image.EndDrag();
        if (data)
            data->Release();
    }
    ui::Bitmap picture{40, 30, ui::pf24bit};
    TVTDragImage image{nullptr};
    IDataObject* data = nullptr;
};

TEST_F(DragSourceHelper, TheHelperGetsTheBitmapAndDrawsInsteadOfTheImage)
{
    TVirtualStringTree tree(nullptr);
    data = tree.CreateDataObject(false);
    image.PrepareDrag(picture, POINT{100, 100}, POINT{120, 115}, data);
    EXPECT_EQ(fake.calls, std::vector<std::string>{"bitmap"});
    EXPECT_EQ(fake.received.sizeDragImage.cx, 40);
    EXPECT_EQ(fake.received.sizeDragImage.cy, 30);
    EXPECT_EQ(fake.received.ptOffset.x, 20);
    EXPECT_EQ(fake.received.ptOffset.y, 15);
    EXPECT_EQ(fake.received.crColorKey, COLORREF(0x00FF00));
    EXPECT_TRUE(image.States() & disSystemSupport);
    image.ShowDragImage();
    EXPECT_FALSE(image.Visible());
    image.DragTo(POINT{130, 115}, false);
    EXPECT_FALSE(image.Visible());
    EXPECT_EQ(image.GetDragImageRect().right, 0);
}

TEST_F(DragSourceHelper, ARefusedBitmapIsFreedAndTheImageDrawsItself)
{
    TVirtualStringTree tree(nullptr);
    data = tree.CreateDataObject(false);
    fake.initializeResult = E_FAIL;
    image.PrepareDrag(picture, POINT{100, 100}, POINT{120, 115}, data);
    EXPECT_EQ(fake.calls, std::vector<std::string>{"bitmap"});
    EXPECT_EQ(GetObjectType(fake.received.hbmpDragImage), 0u); // the copy was deleted
    EXPECT_FALSE(image.States() & disSystemSupport);
    image.ShowDragImage();
    EXPECT_TRUE(image.Visible());
    EXPECT_EQ(image.GetDragImageRect().left, 100);
    image.HideDragImage();

    // Without a data object the helper is not asked at all.
    fake.calls.clear();
    TVTDragImage own(nullptr);
    own.PrepareDrag(picture, POINT{100, 100}, POINT{120, 115}, nullptr);
    EXPECT_TRUE(fake.calls.empty());
    EXPECT_FALSE(own.States() & disSystemSupport);
}

} // namespace
} // namespace treeview::test
