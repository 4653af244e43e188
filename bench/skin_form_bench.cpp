// The skinned form against the same form without a provider, 800 x 600, medians of one run:
// WM_NCPAINT of the skinned frame against the system's non-client paint (target at
// most 3x); a full repaint (at most 3x); a live resize of 200 SetWindowPos steps with UpdateWindow
// (skinned frame rate at least 1/3 of the unskinned); one title-button hover against a full skinned
// repaint (at most 1/10); the form's bitmap bytes against a 32-bit image of the window (at most 2x),
// unchanged after 100 skin refreshes.
#include "skin/engine/command.h"
#include "skin/engine/graphutils.h"
#include "skin/windows/mainwnd.h"
#include "skin/windows/testwriters/demoform_win32.h"
#include "bench/timing.h"
#include "ui/application.h"

#include <cstdio>
#include <vector>

namespace {

constexpr int kRounds = 60;
constexpr int kSteps = 200;
constexpr int kResizeRounds = 5;

double Median(const std::function<void()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < kRounds; ++i)
        times.push_back(bench::Seconds([&] {
            work();
            GdiFlush();
        }));
    return bench::Median(times);
}

struct Figures {
    double ncPaint = 0, rebuild = 0, repaint = 0, resize = 0;
};

Figures Measure(ui::Form& form, skin::TsSkinProvider* provider)
{
    HWND h = form.Handle();
    auto changed = [provider] {
        if (provider)
            provider->SkinData()->BGChanged = true;
    };
    Figures f;
    f.ncPaint = Median([&] { SendMessageW(h, WM_NCPAINT, 1, 0); });
    f.rebuild = Median([&] {
        changed();
        SendMessageW(h, WM_NCPAINT, 1, 0);
    });
    f.repaint = Median([&] {
        RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    });
    std::vector<double> resizes;
    for (int round = 0; round < kResizeRounds; ++round)
        resizes.push_back(bench::Seconds([&] {
            for (int i = 0; i < kSteps; ++i) {
                SetWindowPos(h, nullptr, 0, 0, 800 - (i % 50), 600 - (i % 50),
                             SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
                UpdateWindow(h);
            }
            SetWindowPos(h, nullptr, 0, 0, 800, 600, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            GdiFlush();
        }));
    f.resize = bench::Median(resizes);
    return f;
}

uint64_t Bytes(const ui::Bitmap* bmp)
{
    if (!bmp || bmp->Empty())
        return 0;
    const int bpp = bmp->GetPixelFormat() == ui::pf32bit ? 4 : 3;
    return uint64_t((bmp->Width() * bpp + 3) & ~3) * uint64_t(bmp->Height());
}

uint64_t FormBitmapBytes(skin::TsSkinProvider& p)
{
    return Bytes(p.SkinData()->CacheBmp()) + Bytes(p.TempBmp()) + Bytes(p.TitleBG());
}

} // namespace

int main()
{
    using namespace skin;
    InitSkinEngine();
    InitWindowSkinning();
    InitSkinCommand();
    Figures plain, skinned;
    double hover = 0;
    uint64_t bytes = 0, bytesAfter = 0, imageBytes = 0;
    {
        auto form = testing::MakeDemoForm(800, 600);
        form->Show();
        ui::App().ProcessMessages();
        plain = Measure(*form, nullptr);
    }
    {
        testing::DemoSkinManager manager;
        SetDefaultManager(&manager);
        auto form = testing::MakeDemoForm(800, 600);
        TsSkinProvider* provider = testing::SkinDemoForm(*form);
        form->Show();
        ui::App().ProcessMessages();
        skinned = Measure(*form, provider);
        provider->PaintFormCache();
        hover = Median([&] {
            provider->SetHotCode(htMinButton, true);
            provider->SetHotCode(0, true);
        }) / 2;
        auto refresh = [&] {
            form->Perform(SM_SKINCMD, SkinWParam(scSkinRefresh), LPARAM(static_cast<SkinManager*>(&manager)));
            SendMessageW(form->Handle(), WM_NCPAINT, 1, 0);
        };
        refresh();
        bytes = FormBitmapBytes(*provider);
        for (int i = 0; i < 100; ++i)
            refresh();
        bytesAfter = FormBitmapBytes(*provider);
        imageBytes = uint64_t(form->Width()) * uint64_t(form->Height()) * 4;
        form.reset();
        SetDefaultManager(nullptr);
    }
    const double plainFps = kSteps / plain.resize, skinnedFps = kSteps / skinned.resize;
    std::printf("WM_NCPAINT: skinned %.1f us, system %.1f us, ratio %.2f (target at most 3)\n", skinned.ncPaint * 1e6,
                plain.ncPaint * 1e6, skinned.ncPaint / plain.ncPaint);
    std::printf("WM_NCPAINT with the image rebuilt: skinned %.1f us (look changes: activation, caption, size)\n",
                skinned.rebuild * 1e6);
    std::printf("full repaint: skinned %.1f us, unskinned %.1f us, ratio %.2f (target at most 3)\n",
                skinned.repaint * 1e6, plain.repaint * 1e6, skinned.repaint / plain.repaint);
    std::printf("live resize: skinned %.0f fps, unskinned %.0f fps, ratio %.2f (target at least 0.33)\n", skinnedFps,
                plainFps, skinnedFps / plainFps);
    std::printf("title-button hover: %.1f us, full skinned repaint %.1f us, ratio %.3f (target at most 0.1)\n",
                hover * 1e6, skinned.repaint * 1e6, hover / skinned.repaint);
    std::printf("bitmap bytes: %llu, 32-bit window image %llu, ratio %.2f (target at most 2); after 100 skin "
                "refreshes %llu (%s)\n",
                static_cast<unsigned long long>(bytes), static_cast<unsigned long long>(imageBytes),
                double(bytes) / double(imageBytes), static_cast<unsigned long long>(bytesAfter),
                bytes == bytesAfter ? "unchanged" : "CHANGED");
    DoneWindowSkinning();
    DoneSkinEngine();
    return 0;
}
