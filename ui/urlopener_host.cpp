// The host cannot open a browser: the request is written to standard error.
#include "ui/urlopener.h"

#include <cstdio>

namespace ui {
namespace {

class StderrUrlOpener : public UrlOpener {
public:
    bool Open(core::StringView url) override
    {
        std::fprintf(stderr, "open %s\n", core::ToUtf8(url).c_str());
        return false;
    }
};

} // namespace

UrlOpener& SystemUrlOpener()
{
    static StderrUrlOpener opener;
    return opener;
}

} // namespace ui
