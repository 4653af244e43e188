// The URL opener switch.
#include "ui/urlopener.h"

#include <atomic>

namespace ui {
namespace {

std::atomic<UrlOpener*> g_opener{nullptr};

} // namespace

UrlOpener& CurrentUrlOpener()
{
    UrlOpener* opener = g_opener.load();
    return opener ? *opener : SystemUrlOpener();
}

void SetUrlOpener(UrlOpener* opener) { g_opener = opener; }

bool OpenUrl(core::StringView url) { return CurrentUrlOpener().Open(url); }

UrlOpenerGuard::UrlOpenerGuard(UrlOpener& opener) : m_previous(g_opener.load()) { SetUrlOpener(&opener); }

UrlOpenerGuard::~UrlOpenerGuard() { SetUrlOpener(m_previous); }

} // namespace ui
