// The host's stand-ins for the system's locale services: no Windows 9x, "." as the decimal separator,
// and a comparison in case-folded code-unit order where texts that differ only in case put the
// lower-case letter first (as the Windows string sort does for Latin letters).
#include "data/storage/memutils.h"

#include "core/codepage.h"

namespace data::platform {

namespace {

int Sign(int value) { return value < 0 ? 1 : value > 0 ? 3 : 2; }

Char Fold(Char c)
{
    const String folded = core::AnsiLowerCase(StringView(&c, 1));
    return folded.size() == 1 ? folded[0] : c;
}

} // namespace

bool DetectWin9x()
{
    return false;
}

int CompareW(StringView S1, StringView S2, bool ignoreCase)
{
    const size_t n = std::min(S1.size(), S2.size());
    int tie = 0;
    for (size_t i = 0; i < n; ++i) {
        const Char a = Fold(S1[i]), b = Fold(S2[i]);
        if (a != b)
            return Sign(int(a) - int(b));
        if (!tie && S1[i] != S2[i])
            tie = S1[i] == a ? -1 : 1;  // the lower-case side first
    }
    if (S1.size() != S2.size())
        return Sign(S1.size() < S2.size() ? -1 : 1);
    return Sign(ignoreCase ? 0 : tie);
}

int CompareA(std::string_view S1, std::string_view S2, bool ignoreCase)
{
    return CompareW(core::FromAnsi(S1), core::FromAnsi(S2), ignoreCase);
}

String DecimalSeparator()
{
    return u".";
}

} // namespace data::platform
