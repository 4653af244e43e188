// The skin manager with real forms: which manager is the default, where a skin comes from, what
// every form hears of a switch, freezing and thawing of skinned forms, design time, failed loads,
// form shadows, the form fade-in, the skinned-form registry, skin names and extraction, the main
// window hook and the version switch.
#include "skin/engine/tsskinmanager.h"

#include "core/fileio.h"
#include "core/path.h"
#include "core/stream.h"
#include "core/test/tempfile.h"
#include "skin/engine/command.h"
#include "skin/engine/formutils.h"
#include "skin/engine/glow.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/skinnedforms.h"
#include "skin/engine/system.h"
#include "skin/engine/testwriters/testskin.h"
#include "ui/application.h"
#include "ui/bitmap.h"
#include "ui/graphiccontrol.h"
#include "ui/messagebox.h"
#include "ui/propinfo.h"
#include "ui/test/uitest.h"

#include <algorithm>
#include <map>
#include <vector>

namespace skin {
namespace {

using ui::test::UiTest;

// Sub-codes a window heard, with the manager that came with them.
struct Heard {
    std::map<int, int> count;
    std::vector<LPARAM> managers;
    int Of(int subCode) const
    {
        auto it = count.find(subCode);
        return it == count.end() ? 0 : it->second;
    }
    void Note(const ui::Message& m)
    {
        ++count[SubCodeOf(m.WParam)];
        if (SubCodeOf(m.WParam) == scSkinLoaded)
            managers.push_back(m.LParam);
    }
};

// A windowless child that counts the skin commands it receives.
class Probe : public ui::GraphicControl {
public:
    using ui::GraphicControl::GraphicControl;
    Heard heard;

protected:
    void WndProc(ui::Message& m) override
    {
        if (m.Msg == SM_SKINCMD) {
            heard.Note(m);
            return;
        }
        ui::GraphicControl::WndProc(m);
    }
};

class FakeProvider : public FormSkinProvider {
public:
    SkinManager* manager = nullptr;
    bool inAnimation = false;
    HWND border = nullptr;
    int borderRegions = 0;
    SkinManager* ProviderManager() const override { return manager; }
    bool DrawNonClientArea() const override { return false; }
    void SetInAnimation(bool value) override { inAnimation = value; }
    HWND BorderWindow() const override { return border; }
    void MakeBorderRegion() override { ++borderRegions; }
};

// An application form that counts what it hears. A skinned one answers as a form with a skin
// provider does: skin-aware, with its provider.
class CountingForm : public ui::Form {
public:
    CountingForm(core::Component* owner, bool skinned) : ui::Form(owner), skinned(skinned)
    {
        probe = new Probe(this);
        probe->SetParent(this);
        probe->SetBounds(0, 0, 10, 10);
        SetBounds(100, 100, 200, 150);
        AfterConstruction();
    }
    bool skinned;
    FakeProvider provider;
    Probe* probe;
    Heard heard;
    std::vector<WPARAM> redraws;

protected:
    void WndProc(ui::Message& m) override
    {
        if (m.Msg == SM_SKINCMD) {
            if (skinned && SubCodeOf(m.WParam) == scIsSkinAware) {
                m.Result = 1;
                return;
            }
            if (skinned && SubCodeOf(m.WParam) == scGetProvider) {
                m.Result = LRESULT(static_cast<FormSkinProvider*>(&provider));
                return;
            }
            heard.Note(m);
            return;
        }
        if (m.Msg == WM_SETREDRAW)
            redraws.push_back(m.WParam);
        ui::Form::WndProc(m);
    }
};

// A temporary folder's path with its trailing separator.
core::String In(const core::test::TempDir& folder) { return core::IncludeTrailingPathDelimiter(folder.Path()); }

struct FormDeleter {
    void operator()(ui::Form* form) const
    {
        UnregisterSkinnedForm(form);
        form->BeforeDestruction();
        delete form;
    }
};
using FormPtr = std::unique_ptr<CountingForm, FormDeleter>;

class SkinManagerTest : public UiTest {
protected:
    SkinManagerTest()
    {
        InitSkinEngine();
        SetFadeHooks({[this](unsigned ms) { waits.push_back(ms); }, [this](int level) { frames.push_back(level); }});
        core::CreateDir(In(dir) + u"TestSkin");
        skin::testing::WriteTestSkinFolder(core::ToUtf8(In(dir) + u"TestSkin"));
        const std::string archive = skin::testing::TestSkinArchive();
        core::FileStream out(In(dir) + u"Packed.asz", core::fmCreate);
        out.WriteBuffer(archive.data(), int64_t(archive.size()));
    }
    ~SkinManagerTest() override
    {
        SetFadeHooks({});
        EXPECT_EQ(DefaultManager(), nullptr) << "a test left a default manager behind";
        SetDefaultManager(nullptr);
        DoneSkinEngine();
    }

    FormPtr MakeForm(bool skinned, SkinManager* manager = nullptr)
    {
        FormPtr form(new CountingForm(&ui::Application::Instance(), skinned));
        form->provider.manager = manager;
        form->Show();
        if (skinned)
            RegisterSkinnedForm(form.get());
        return form;
    }

    // A manager made in code over the test's skin folder, with the skin-change fade off.
    std::unique_ptr<TsSkinManager> MakeManager()
    {
        auto m = std::make_unique<TsSkinManager>();
        m->AfterConstruction();
        m->SetSkinDirectory(In(dir));
        m->AnimEffectsObject().SkinChanging->Active = false;
        return m;
    }

    core::test::TempDir dir;
    std::vector<unsigned> waits;
    std::vector<int> frames;
};

LPARAM AsParam(TsSkinManager& m) { return LPARAM(static_cast<SkinManager*>(&m)); }

TEST_F(SkinManagerTest, FirstManagerIsTheDefaultUntilItGoes)
{
    auto first = MakeManager();
    auto second = MakeManager();
    EXPECT_EQ(DefaultManager(), static_cast<SkinManager*>(first.get()));
    EXPECT_TRUE(first->IsDefault());
    EXPECT_FALSE(second->IsDefault());

    FormPtr form = MakeForm(false);
    first->SetSkinName(u"TestSkin");
    EXPECT_TRUE(first->HookInstalled());
    form->probe->heard = {};
    second->SetSkinName(u"TestSkin"); // loads, and tells the forms of its own skin
    ASSERT_EQ(form->probe->heard.Of(scSkinLoaded), 1);
    second->SetIsDefault(true);
    EXPECT_TRUE(second->IsDefault());
    EXPECT_FALSE(first->IsDefault());
    EXPECT_EQ(form->probe->heard.Of(scSkinLoaded), 2);
    EXPECT_EQ(form->probe->heard.managers.back(), AsParam(*second));
    EXPECT_TRUE(second->HookInstalled());
    EXPECT_FALSE(first->HookInstalled()) << "one hook per thread";

    second.reset();
    EXPECT_EQ(DefaultManager(), nullptr) << "the other manager does not take over";
    EXPECT_FALSE(first->IsDefault());
}

TEST_F(SkinManagerTest, SkinNameFindsFolderArchiveStoredSkinOrNothing)
{
    struct Case {
        const char16_t* name;
        bool stored;
        const char16_t* loadedName;
        bool active;
    } cases[] = {
        {u"TestSkin", false, u"TestSkin", true},
        {u"Packed", false, u"Packed", true},
        {u"Missing", true, u"Stored", true},
        {u"Missing", false, u"Missing", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(core::ToUtf8(c.name) + (c.stored ? " with a stored skin" : ""));
        FormPtr form = MakeForm(false);
        auto m = MakeManager();
        if (c.stored)
            skin::testing::AddStoredTestSkin(m->InternalSkins(), "Stored");
        int before = 0, after = 0;
        m->OnBeforeChange = [&](core::Object*) { ++before; };
        m->OnAfterChange = [&](core::Object*) { ++after; };
        m->SetSkinName(c.name);
        EXPECT_EQ(m->GetSkinName(), core::String(c.loadedName));
        EXPECT_EQ(m->GetActive(), c.active);
        EXPECT_EQ(m->Active(), c.active);
        EXPECT_EQ(before, 1);
        EXPECT_EQ(after, 1);
        EXPECT_EQ(form->heard.Of(scSkinLoaded), c.active ? 1 : 0);
        EXPECT_EQ(form->heard.Of(scSkinRemoved), c.active ? 0 : 1);
        if (c.active) {
            EXPECT_GE(m->GetSkinIndex(u"BUTTON"), 0);
            EXPECT_GE(m->ConstData.IndexGLobalInfo, 0);
            EXPECT_EQ(m->SkinInfo(), u"6.48");
        } else {
            EXPECT_TRUE(m->gd.empty());
            EXPECT_EQ(m->SkinInfo(), u"N/A");
        }
    }
}

TEST_F(SkinManagerTest, AnotherSkinOrNoneTakesEveryGlowAway)
{
    auto m = MakeManager();
    FormPtr form = MakeForm(false);
    m->SetSkinName(u"TestSkin");
    auto glow = [&] {
        return AddGlowEffect(RECT{100, 100, 180, 130}, RECT{0, 0, 80, 30}, u"GLOWBUTTON", u"GLOW", 2, 255,
                             form->Handle(), m.get());
    };
    ASSERT_EQ(glow(), 0);
    ASSERT_EQ(glow(), 1);
    m->SetSkinName(u"Packed");
    EXPECT_EQ(GlowEffectCount(), 0) << "a new skin starts without the old skin's glows";
    ASSERT_EQ(glow(), 0);
    m->SetActive(false);
    EXPECT_EQ(GlowEffectCount(), 0) << "removing the skin removes its glows";
}

TEST_F(SkinManagerTest, RelativeDirectoriesForFoldersAndArchives)
{
    // A folder skin is looked for beside the program ...
    const core::String here = AppFolder() + u"mgrtest_skins";
    core::CreateDir(here);
    core::CreateDir(here + u"\\TestSkin");
    skin::testing::WriteTestSkinFolder(core::ToUtf8(here + u"\\TestSkin"));
    auto m = MakeManager();
    m->SetSkinDirectory(u"mgrtest_skins");
    EXPECT_EQ(m->GetFullSkinDirectory(), here + u"\\");
    m->SetSkinName(u"TestSkin");
    EXPECT_TRUE(m->Active());
    EXPECT_EQ(m->SkinData.SkinPath, here + u"\\TestSkin\\");
    for (const auto& f : skin::testing::TestSkinFiles())
        core::DeleteFile(here + u"\\TestSkin\\" + core::FromUtf8(f.name));
    core::RemoveDir(here + u"\\TestSkin");
    core::RemoveDir(here);

    // ... an archive in the current folder.
    wchar_t saved[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, saved);
    const core::String folder = In(dir);
    std::wstring temp(folder.begin(), folder.end());
    SetCurrentDirectoryW(temp.c_str());
    core::CreateDir(In(dir) + u"rel");
    core::RenameFile(In(dir) + u"Packed.asz", In(dir) + u"rel\\Packed.asz");
    m->SetSkinDirectory(u"rel");
    m->SetSkinName(u"Packed");
    EXPECT_TRUE(m->Active());
    EXPECT_GE(m->GetSkinIndex(u"BUTTON"), 0);
    SetCurrentDirectoryW(saved);
    m->SetActive(false);
    core::DeleteFile(In(dir) + u"rel\\Packed.asz");
    core::RemoveDir(In(dir) + u"rel");
}

TEST_F(SkinManagerTest, EveryFormAndControlHearsOfTheSkinOnce)
{
    auto m = MakeManager();
    FormPtr plain = MakeForm(false);
    FormPtr skinned = MakeForm(true, m.get());
    m->SetSkinName(u"TestSkin");
    for (CountingForm* f : {plain.get(), skinned.get()}) {
        SCOPED_TRACE(f->skinned ? "skinned form" : "plain form");
        EXPECT_EQ(f->heard.Of(scSkinLoaded), 1);
        EXPECT_EQ(f->probe->heard.Of(scSkinLoaded), 1);
        ASSERT_EQ(f->heard.managers.size(), 1u);
        EXPECT_EQ(f->heard.managers[0], AsParam(*m));
        EXPECT_EQ(f->heard.Of(scSkinRefresh), 1);
    }
    m->UpdateSkinSection(u"button");
    EXPECT_EQ(Engine().UpdatedSectionName, u"BUTTON");
    EXPECT_EQ(plain->probe->heard.Of(scSectionChanged), 1);

    m->SetActive(false);
    EXPECT_EQ(plain->heard.Of(scSkinRemoved), 1);
    EXPECT_EQ(skinned->heard.Of(scSkinRemoved), 1);
    EXPECT_TRUE(m->gd.empty());
    EXPECT_EQ(m->ConstData.IndexGLobalInfo, -1);
    EXPECT_FALSE(m->HookInstalled());
}

TEST_F(SkinManagerTest, SkinnedFormsAreFrozenDuringASwitchButNotWhileMinimised)
{
    auto m = MakeManager();
    FormPtr skinned = MakeForm(true, m.get());
    FormPtr other = MakeForm(true, nullptr); // its provider serves another manager
    m->SetSkinName(u"TestSkin");
    ASSERT_GE(skinned->redraws.size(), 2u);
    EXPECT_EQ(skinned->redraws.front(), 0u);
    EXPECT_EQ(skinned->redraws.back(), 1u);
    EXPECT_FALSE(skinned->provider.inAnimation);
    EXPECT_TRUE(other->redraws.empty());

    skinned->redraws.clear();
    ui::Application::Instance().Minimize();
    m->SetSkinName(u"TestSkin");
    ui::Application::Instance().Restore();
    EXPECT_TRUE(skinned->redraws.empty());
    EXPECT_EQ(skinned->heard.Of(scSkinLoaded), 2);
    m->SetActive(false);
}

TEST_F(SkinManagerTest, HueOffsetWhileInactiveIsOnlyStored)
{
    using skin::testing::kMasterHeight;
    using skin::testing::kMasterWidth;
    auto plain = MakeManager();
    plain->SetSkinName(u"TestSkin");
    ASSERT_TRUE(plain->MasterBitmap);
    const ui::Color untinted = plain->MasterBitmap->PixelColor(kMasterWidth - 1, kMasterHeight - 1);
    EXPECT_EQ(untinted, ui::Color(skin::testing::kMasterColor));

    auto m = MakeManager();
    FormPtr form = MakeForm(false);
    m->SetActive(false);
    form->heard = {};
    m->SetHueOffset(120);
    m->SetSkinName(u"TestSkin");
    EXPECT_EQ(m->HueOffset(), 120);
    EXPECT_TRUE(form->heard.count.empty()) << "nothing loaded, nothing told";
    m->SetActive(true);
    ASSERT_TRUE(m->Active());
    EXPECT_NE(m->MasterBitmap->PixelColor(kMasterWidth - 1, kMasterHeight - 1), untinted) << "the load applies the hue";
    m.reset();
    plain.reset();
}

TEST_F(SkinManagerTest, DesignTimeInstallsNoHookAndSkipsTheDesignerWindows)
{
    auto m = MakeManager();
    m->SetDesigning(true);
    FormPtr designer = MakeForm(false);
    designer->SetName(u"AppBuilder");
    FormPtr designed = MakeForm(false);
    designed->SetName(u"Form1");
    m->SetSkinName(u"TestSkin");
    EXPECT_TRUE(m->Active());
    EXPECT_FALSE(m->HookInstalled());
    EXPECT_EQ(designer->probe->heard.Of(scSkinLoaded), 0);
    EXPECT_EQ(designed->probe->heard.Of(scSkinLoaded), 1);
    EXPECT_TRUE(designed->redraws.empty()) << "no locking at design time";
    m->SetActive(false);
    EXPECT_EQ(designed->probe->heard.Of(scSkinRemoved), 1);
}

TEST_F(SkinManagerTest, DamagedImageRaisesAtTheSetterAndLeavesNoSkin)
{
    core::test::TempDir copy;
    core::CreateDir(In(copy) + u"TestSkin");
    skin::testing::WriteTestSkinFolder(core::ToUtf8(In(copy) + u"TestSkin"));
    {
        core::FileStream damaged(In(copy) + u"TestSkin\\GLYPH.PNG", core::fmCreate);
        const std::string bytes = std::string("\x89PNG\r\n\x1a\n", 8) + "garbage that is no chunk";
        damaged.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    }
    auto m = MakeManager();
    FormPtr form = MakeForm(false);
    m->SetSkinName(u"TestSkin");
    ASSERT_TRUE(m->Active());
    m->SetSkinDirectory(In(copy));
    EXPECT_ANY_THROW(m->SetSkinName(u"TestSkin"));
    EXPECT_EQ(form->heard.Of(scSkinLoaded), 1) << "only the first, sound skin was announced";
    EXPECT_EQ(form->heard.Of(scSkinRemoved), 1) << "the forms let go of the old skin";
    EXPECT_FALSE(m->Active());
    EXPECT_TRUE(m->gd.empty());
    EXPECT_TRUE(m->ma.empty());
    EXPECT_TRUE(m->pa.empty());
    EXPECT_FALSE(Engine().SkinChangeInProgress);
    EXPECT_FALSE(m->HookInstalled());
    for (const auto& f : skin::testing::TestSkinFiles())
        core::DeleteFile(In(copy) + u"TestSkin\\" + core::FromUtf8(f.name));
    core::RemoveDir(In(copy) + u"TestSkin");
}

TEST_F(SkinManagerTest, ExtendedBordersNeedLayeredWindows)
{
    auto m = MakeManager();
    DoneSkinEngine(); // no UpdateLayeredWindow bound
    m->SetExtendedBorders(true);
    EXPECT_FALSE(m->ExtendedBorders());
    EXPECT_FALSE(m->AllowGlowing());
    InitSkinEngine();
    EXPECT_TRUE(m->ExtendedBorders());
    EXPECT_TRUE(m->AllowGlowing());
}

TEST_F(SkinManagerTest, FormShadowSizeFromEachSource)
{
    auto m = MakeManager();
    m->SetSkinName(u"TestSkin");
    EXPECT_EQ(m->FormShadowSize(), (Rect{0, 0, 0, 0})) << "without extended borders";

    // "EXBORDER" of the skin, a rectangle of the master bitmap: its margins, its first two states.
    m->SetExtendedBorders(true);
    ASSERT_GE(m->ConstData.ExBorder, 0);
    const int offs = m->SkinData.ExContentOffs; // "FORMOFFSET", 8 when the skin does not say
    ASSERT_EQ(offs, 8);
    EXPECT_EQ(m->FormShadowSize(), (Rect{4 - offs, 4 - offs, 4 - offs, 4 - offs}));
    ASSERT_NE(m->ShadowTemplate(true), nullptr);
    EXPECT_EQ(m->ShadowTemplate(false)->Width(), 20);
    EXPECT_EQ(m->ShadowTemplate(false)->Height(), 10);
    EXPECT_EQ(m->ShadowTemplate(true)->GetPixelFormat(), ui::pf32bit);

    m->SkinData.ExDrawMode = 1;
    m->CheckShadows();
    EXPECT_EQ(m->FormShadowSize(), (Rect{offs, offs, offs, offs}));

    // Without "EXBORDER": the program's templates.
    ASSERT_NE(ShadowResource(true), nullptr);
    ASSERT_NE(ShadowResource(false), nullptr);
    m->ma[size_t(m->ConstData.ExBorder)].PropertyName = u"NOTEXBORDER";
    m->InitConstantIndexes();
    const int grow = DwmCompositionActive() ? 1 : 0;
    EXPECT_EQ(m->FormShadowSize(), (Rect{11 + grow, 7 + grow, 11 + grow, 11 + grow}));
    EXPECT_EQ(m->ShadowTemplate(true)->Width(), ShadowResource(true)->Width());

    m->SetActive(false);
    EXPECT_EQ(m->FormShadowSize(), (Rect{0, 0, 0, 0}));
}

TEST_F(SkinManagerTest, FadeInFormFramesAndLevels)
{
    struct Case {
        uint16_t time;
        std::vector<int> levels;
    } cases[] = {
        {7, {255}},
        {80, {255, 230, 205, 180, 155, 130, 105, 80, 55, 30, 5}},
    };
    FormPtr form = MakeForm(false);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.time);
        frames.clear();
        waits.clear();
        SendMessageW(form->Handle(), WM_SETREDRAW, 0, 0);
        FadeInForm(form.get(), c.time);
        EXPECT_EQ(frames, c.levels);
        EXPECT_EQ(waits, std::vector<unsigned>(c.levels.size() - 1, 8u));
        EXPECT_FALSE(Engine().FormAnimationActive);
        EXPECT_EQ(form->redraws.back(), 1u) << "the form draws again";
    }
}

TEST_F(SkinManagerTest, FadeInFormWithABorderWindowRaisesTheAlphaOfALayeredCopy)
{
    ASSERT_TRUE(LayeredWindowsAvailable());
    FormPtr form = MakeForm(true);
    HWND border = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(border, nullptr);
    form->provider.border = border;
    FadeInForm(form.get(), 80);
    EXPECT_EQ(frames, (std::vector<int>{0, 25, 50, 75, 100, 125, 150, 175, 200, 225, 250}));
    EXPECT_EQ(waits, std::vector<unsigned>(10, 8u));
    EXPECT_EQ(form->provider.borderRegions, 1);
    EXPECT_TRUE(IsWindowVisible(border));
    EXPECT_NE(GetWindowLongPtrW(border, GWL_EXSTYLE) & WS_EX_LAYERED, 0);
    EXPECT_FALSE(Engine().FormAnimationActive);
    EXPECT_EQ(form->redraws.back(), 1u);
    form->provider.border = nullptr;
    DestroyWindow(border);
}

TEST_F(SkinManagerTest, RegistryRemovalMovesTheLastFormIntoTheGap)
{
    FormPtr a = MakeForm(true), b = MakeForm(true), c = MakeForm(true);
    UnregisterSkinnedForm(a.get());
    ASSERT_EQ(SkinnedForms(), (std::vector<ui::Form*>{c.get(), b.get()}));
    UnregisterSkinnedForm(a.get());
    EXPECT_EQ(SkinnedForms().size(), 2u);
    // Registered twice, it goes entirely.
    RegisterSkinnedForm(b.get());
    UnregisterSkinnedForm(b.get());
    EXPECT_EQ(SkinnedForms(), (std::vector<ui::Form*>{c.get()}));
}

TEST_F(SkinManagerTest, SkinNamesOfTheDirectoryAndStoredSkins)
{
    core::test::TempDir skins;
    const core::String d = In(skins);
    core::CreateDir(d + u"Mid");
    core::FileStream(d + u"Mid\\Options.dat", core::fmCreate);
    core::CreateDir(d + u"NoOptions");
    core::FileStream(d + u"Night.Blue.asz", core::fmCreate);
    core::FileStream(d + u"Blue.ASZ", core::fmCreate);
    auto m = MakeManager();
    m->SetSkinDirectory(d);
    skin::testing::AddStoredTestSkin(m->InternalSkins(), "Zeta");
    skin::testing::AddStoredTestSkin(m->InternalSkins(), "Alpha");

    core::StringList names;
    EXPECT_EQ(m->GetSkinNames(names, stAllSkins), u"Zeta");
    EXPECT_EQ(names.Text(), u"Alpha\r\nMid\r\nNight\r\nZeta\r\n");
    m->GetSkinNames(names, stUnpacked);
    EXPECT_EQ(names.Text(), u"Alpha\r\nMid\r\nZeta\r\n");
    EXPECT_EQ(m->GetExternalSkinNames(names, stPacked), u"Night");
    EXPECT_EQ(names.Text(), u"Night\r\n");
    core::String random = m->GetRandomSkin();
    EXPECT_TRUE(random == u"Alpha" || random == u"Mid" || random == u"Night" || random == u"Zeta");

    m->GetSkinSections(names);
    EXPECT_EQ(names.Count(), 0) << "no skin active";
    m->SetSkinName(u"Alpha");
    m->GetSkinSections(names);
    EXPECT_GT(names.Count(), 0);
    EXPECT_EQ(names[0], m->gd[0].ClassName);
    m->SetActive(false);
    core::DeleteFile(d + u"Mid\\Options.dat");
    core::RemoveDir(d + u"Mid");
    core::RemoveDir(d + u"NoOptions");
    core::DeleteFile(d + u"Night.Blue.asz");
    core::DeleteFile(d + u"Blue.ASZ");
}

TEST_F(SkinManagerTest, ExtractingStoredSkins)
{
    auto m = MakeManager();
    skin::testing::AddStoredTestSkin(m->InternalSkins(), "Dark");
    skin::testing::AddStoredTestSkin(m->InternalSkins(), "..\\Outside");
    core::test::TempDir out;

    m->ExtractInternalSkin(u"Dark", In(out));
    const core::String file = In(out) + u"Dark extracted.asz";
    ASSERT_TRUE(core::FileExists(file));
    {
        core::FileStream written(file, core::fmOpenRead);
        EXPECT_EQ(written.Size(), int64_t(skin::testing::TestSkinArchive().size()));
    }

    struct Case {
        const char16_t* name;
        const char16_t* dest;
        const char16_t* box;
    } cases[] = {
        {u"Nobody", u"", u"Skin does not exists."},
        {u"Dark", u"Z:\\no\\such\\folder", u"Directory does not exists."},
    };
    for (const Case& c : cases) {
        m_box.Clear();
        m->ExtractInternalSkin(c.name, *c.dest ? core::String(c.dest) : In(out));
        ASSERT_EQ(m_box.Calls().size(), 1u) << core::ToUtf8(c.name);
        EXPECT_EQ(m_box.Calls()[0].text, core::String(c.box));
    }
    // A name that would put the file outside the folder is refused as a file that cannot be made.
    EXPECT_THROW(m->ExtractByIndex(1, In(out)), core::EFCreateError);
    EXPECT_FALSE(core::FileExists(In(out) + u"..\\Outside extracted.asz"));
    core::DeleteFile(file);
}

TEST_F(SkinManagerTest, MainWindowHookSwallowsThemeChangesAndTellsFormsToRepaint)
{
    auto m = MakeManager();
    std::vector<UINT> seen;
    int spy = ui::Application::Instance().HookMainWindow([&](ui::Message& msg) {
        seen.push_back(msg.Msg);
        return false;
    });
    FormPtr form = MakeForm(false);
    HWND app = ui::Application::Instance().Handle();
    SendMessageW(app, 0x031A, 0, 0);
    SendMessageW(app, 0xB000, 0, 0);
    EXPECT_EQ(form->heard.Of(scRepaint), 1);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 0x031Au), 0) << "swallowed";
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 0xB000u), 1);

    m->SetSkinnedPopups(false);
    SendMessageW(app, 0x031A, 0, 0);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 0x031Au), 1);
    ui::Application::Instance().UnhookMainWindow(spy);
    m.reset();
    SendMessageW(app, 0xB000, 0, 0); // nothing hooked any more
    EXPECT_EQ(form->heard.Of(scRepaint), 1);
}

TEST_F(SkinManagerTest, ActiveControlAndCommonDialogsSwitch)
{
    auto m = MakeManager();
    FormPtr a = MakeForm(false), b = MakeForm(false);
    m->SetActiveControl(a->Handle());
    m->SetActiveControl(b->Handle());
    EXPECT_EQ(a->heard.Of(scMouseEnter), 1);
    EXPECT_EQ(a->heard.Of(scMouseLeave), 1);
    EXPECT_EQ(b->heard.Of(scMouseEnter), 1);
    m->SetActiveControl(nullptr);
    EXPECT_EQ(b->heard.Of(scMouseLeave), 1);

    m->SetSkinningRules(kAllSkinningRules);
    EXPECT_FALSE(ui::UseLatestCommonDialogs());
    m->SetSkinningRules(SkinningRuleBit(srStdForms));
    EXPECT_TRUE(ui::UseLatestCommonDialogs());
    EXPECT_EQ(m->SkinTypeOfClass(u"TMemo"), 0);
    EXPECT_EQ(m->SkinTypeOfClass(u"TSpeedButton"), 17);
    EXPECT_EQ(m->SkinTypeOfClass(u"tmemo"), -1);
}

TEST_F(SkinManagerTest, ManagerReadFromAFormAppliesItsSkinOnceLoaded)
{
    FormPtr form = MakeForm(false);
    auto m = std::make_unique<TsSkinManager>();
    m->BeginLoad();
    m->SetSkinDirectory(In(dir));
    m->ThirdParty().WriteClasses(1, u"TMyButton");
    m->SetSkinName(u"TestSkin"); // reads the skin; telling the forms waits for Loaded
    EXPECT_GE(m->GetSkinIndex(u"BUTTON"), 0);
    EXPECT_EQ(form->heard.Of(scSkinLoaded), 0);
    m->Loaded();
    EXPECT_TRUE(m->Active());
    EXPECT_EQ(form->heard.Of(scSkinLoaded), 1);
    EXPECT_EQ(form->heard.Of(scSkinRefresh), 0) << "no repaint while applying a loaded skin";
    EXPECT_EQ(m->MenuSupport()->IcoLineSkin, u"ICOLINE");
    EXPECT_EQ(m->SkinTypeOfClass(u"TMyButton"), 1);
    EXPECT_EQ(m->SkinTypeOfClass(u"TButton"), -1);
}

TEST_F(SkinManagerTest, DefaultsOfANewManager)
{
    auto m = MakeManager();
    EXPECT_TRUE(m->GetActive());
    EXPECT_FALSE(m->Active()) << "no skin loaded yet";
    EXPECT_TRUE(m->SkinnedPopups());
    EXPECT_EQ(m->SkinningRules(), kAllSkinningRules);
    EXPECT_EQ(m->HueOffset(), 0);
    EXPECT_EQ(m->SkinInfo(), u"N/A");
    EXPECT_EQ(m->ThirdParty().ReadClasses(1), u"TButton");
    EXPECT_EQ(m->SkinableMenus()->SkinBorderWidth, -1);
    TsSkinManager plain;
    plain.AfterConstruction();
    EXPECT_EQ(plain.SkinDirectory(), u"c:\\Skins");

    // By name, with what a stored form leaves out.
    for (const char16_t* name : {u"ExtendedBorders", u"SkinnedPopups", u"AllowGlowing", u"Active", u"Saturation",
                                 u"HueOffset", u"SkinningRules"})
        EXPECT_FALSE(ui::IsStoredProperty(&plain, name)) << core::ToUtf8(name);
    EXPECT_EQ(ui::GetSetProperty(&plain, u"SkinningRules"), u"srStdForms,srStdDialogs,srThirdParty");
    ui::SetStrProperty(&plain, u"SkinInfo", u"ignored");
    EXPECT_EQ(ui::GetStrProperty(&plain, u"SkinInfo"), u"N/A");
    ui::SetOrdProperty(&plain, u"HueOffset", 30);
    EXPECT_EQ(plain.HueOffset(), 30);
    EXPECT_TRUE(ui::IsStoredProperty(&plain, u"HueOffset"));
    EXPECT_EQ(ui::GetObjectProperty(&plain, u"ThirdParty"), &plain.ThirdParty());
    EXPECT_EQ(ui::GetStrProperty(ui::GetObjectProperty(&plain, u"ThirdParty"), u"ThirdButtons"), u"TButton");
    EXPECT_FALSE(ui::IsStoredProperty(plain.MenuSupport(), u"ExtraLineWidth"));
}

TEST_F(SkinManagerTest, ExtraLineFontByNameIsCopiedByValue)
{
    TsSkinManager plain;
    core::Object* font = ui::GetObjectProperty(plain.MenuSupport(), u"ExtraLineFont");
    ASSERT_EQ(font, &plain.MenuSupport()->ExtraLineFont);
    ui::SetStrProperty(font, u"Name", u"Tahoma");
    ui::SetOrdProperty(font, u"Height", -15);
    ui::SetSetProperty(font, u"Style", u"fsBold");
    EXPECT_EQ(plain.MenuSupport()->ExtraLineFont.Name(), u"Tahoma");
    EXPECT_EQ(plain.MenuSupport()->ExtraLineFont.Height(), -15);
    EXPECT_EQ(plain.MenuSupport()->ExtraLineFont.Style(), ui::FontStyles(ui::fsBold));

    TacFont other;
    other.SetName(u"Arial");
    other.SetHeight(-20);
    ui::SetObjectProperty(plain.MenuSupport(), u"ExtraLineFont", &other);
    EXPECT_EQ(ui::GetObjectProperty(plain.MenuSupport(), u"ExtraLineFont"), font) << "the value is copied, not shared";
    EXPECT_EQ(plain.MenuSupport()->ExtraLineFont.Name(), u"Arial");
    EXPECT_EQ(ui::GetOrdProperty(font, u"Height"), -20);
    other.SetName(u"Changed");
    EXPECT_EQ(plain.MenuSupport()->ExtraLineFont.Name(), u"Arial");
}

TEST_F(SkinManagerTest, VersionSwitch)
{
    struct Case {
        std::vector<core::String> params;
        bool shows;
    } cases[] = {
        {{u"/acver"}, true}, {{u"/ACVER"}, true}, {{u"x", u"/AcVer"}, true},
        {{u"/acver2"}, false}, {{u"acver"}, false}, {{}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AsksForVersion(c.params), c.shows) << (c.params.empty() ? "" : core::ToUtf8(c.params.back()));
    EXPECT_EQ(kVersionMessage, u"QuorraControls v6.48");
}

} // namespace
} // namespace skin
