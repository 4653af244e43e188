// Portable routines of the tree unit (see unit_services.h).
#include "treeview/unit_services.h"
#include "treeview/virtual_tree.h"
#include "core/exception.h"
#include <algorithm>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <vector>

namespace treeview {

core::String ShortenWithEllipsis(const TTextMeasure& measure, core::StringView s, int width, int ellipsisWidth)
{
    if (s.empty() || width <= 0)
        return {};
    if (ellipsisWidth == 0)
        ellipsisWidth = measure(u"...");
    if (width <= ellipsisWidth)
        return {};
    // Bisection over the number of kept characters: about log2(length) measurements.
    int low = 0, high = int(s.size()) - 1;
    while (low < high) {
        int n = (low + high + 1) / 2;
        if (measure(s.substr(0, size_t(n))) + ellipsisWidth <= width)
            low = n;
        else
            high = n - 1;
    }
    return core::String(s.substr(0, size_t(low))) + u"...";
}

core::String WrapCaption(const TTextMeasure& measure, core::StringView caption, int width, bool rightToLeft)
{
    core::String trimmed = core::Trim(caption);
    if (trimmed.empty())
        return {};
    std::vector<core::String> words;
    size_t start = 0;
    for (;;) {
        size_t blank = trimmed.find(u' ', start);
        words.push_back(trimmed.substr(start, blank == core::String::npos ? core::String::npos : blank - start));
        if (blank == core::String::npos)
            break;
        start = blank + 1;
    }
    if (rightToLeft)
        std::reverse(words.begin(), words.end());
    // The kept length of a split word lives for the whole call (see below).
    size_t kept = trimmed.size();
    std::vector<core::String> lines;
    size_t next = 0;
    core::String pending;
    bool hasPending = false;
    while (hasPending || next < words.size()) {
        core::String line;
        bool first = true;
        for (;;) {
            core::String word;
            if (hasPending)
                word = pending;
            else if (next < words.size())
                word = words[next];
            else
                break;
            core::String candidate =
                first ? word : (rightToLeft ? word + u" " + line : line + u" " + word);
            if (measure(candidate) <= width) {
                line = candidate;
                first = false;
                if (hasPending)
                    hasPending = false;
                else
                    ++next;
                continue;
            }
            if (!first)
                break;
            // A first word that does not fit is split.
            if (kept < 2) {
                kept = word.size();
            } else if (word.size() >= 3) {
                size_t k = word.size() - 1;
                for (; k >= 2; --k) {
                    core::String part = rightToLeft ? word.substr(word.size() - k) : word.substr(0, k);
                    if (measure(part) <= width)
                        break;
                }
                kept = k >= 2 ? k : 1;
            }
            size_t take = std::max<size_t>(kept, 1);
            if (take >= word.size()) {
                line = word;
                if (hasPending)
                    hasPending = false;
                else
                    ++next;
            } else {
                line = rightToLeft ? word.substr(word.size() - take) : word.substr(0, take);
                core::String rest = rightToLeft ? word.substr(0, word.size() - take) : word.substr(take);
                if (!hasPending)
                    ++next;
                pending = rest;
                hasPending = !rest.empty();
            }
            break;
        }
        lines.push_back(line);
    }
    if (rightToLeft)
        std::reverse(lines.begin(), lines.end());
    core::String result;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            result += u'\n';
        result += lines[i];
    }
    return result;
}

TRect NormalizeRect(const TRect& r)
{
    return TRect{std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right),
                 std::max(r.Top, r.Bottom)};
}

void RaiseTreeError(core::StringView message, int helpContext)
{
    throw EVirtualTreeError(core::String(message), helpContext);
}

TBaseVirtualTree* TreeOfNode(PVirtualNode node)
{
    CORE_ASSERT(node != nullptr, u"Node must not be nil.");
    return TBaseVirtualTree::TreeFromNode(node);
}

void SortNodesByAddress(std::span<PVirtualNode> nodes)
{
    std::sort(nodes.begin(), nodes.end(), [](PVirtualNode a, PVirtualNode b) { return uintptr_t(a) < uintptr_t(b); });
}

namespace {

// Both pairs of channels of a pixel (blue and red, green and alpha) at once: each 16-bit lane holds
// at most 255 * 256, so no lane spills into the next.
inline uint32_t MixPixel(uint32_t d, uint32_t s, uint32_t f)
{
    const uint32_t g = 256 - f;
    const uint32_t rb = (((d & 0x00FF00FF) * g + (s & 0x00FF00FF) * f) >> 8) & 0x00FF00FF;
    const uint32_t ag = ((((d >> 8) & 0x00FF00FF) * g + ((s >> 8) & 0x00FF00FF) * f) >> 8) & 0x00FF00FF;
    return rb | ag << 8;
}

// One row of a blend without bias; the factor (0..256) comes from the mode, the constant alpha and
// the source pixel's alpha.
template <TBlendMode Mode>
void MixRow(const uint8_t* source, uint8_t* destination, int count, uint32_t constantAlpha)
{
    int i = 0;
#if defined(__SSE2__)
    // Four pixels a step, channels widened to 16 bits: the same sums as MixPixel, lane by lane.
    const __m128i zero = _mm_setzero_si128(), full = _mm_set1_epi16(256), ca = _mm_set1_epi32(int(constantAlpha));
    for (; i + 4 <= count; i += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 4 * i));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(destination + 4 * i));
        __m128i f = ca; // one factor per pixel, in the low half of its lane
        if constexpr (Mode == bmPerPixelAlpha)
            f = _mm_srli_epi32(s, 24);
        else if constexpr (Mode == bmMasterAlpha)
            f = _mm_srli_epi32(_mm_mullo_epi16(_mm_srli_epi32(s, 24), ca), 8);
        f = _mm_or_si128(f, _mm_slli_epi32(f, 16));
        const __m128i fLow = _mm_unpacklo_epi32(f, f), fHigh = _mm_unpackhi_epi32(f, f);
        const __m128i low = _mm_srli_epi16(
            _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), _mm_sub_epi16(full, fLow)),
                          _mm_mullo_epi16(_mm_unpacklo_epi8(s, zero), fLow)),
            8);
        const __m128i high = _mm_srli_epi16(
            _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), _mm_sub_epi16(full, fHigh)),
                          _mm_mullo_epi16(_mm_unpackhi_epi8(s, zero), fHigh)),
            8);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + 4 * i), _mm_packus_epi16(low, high));
    }
#endif
    for (; i < count; ++i) {
        uint32_t s, d;
        std::memcpy(&s, source + 4 * i, 4);
        std::memcpy(&d, destination + 4 * i, 4);
        const uint32_t alpha = s >> 24;
        const uint32_t f = Mode == bmConstantAlpha ? constantAlpha
                           : Mode == bmPerPixelAlpha ? alpha
                                                     : alpha * constantAlpha / 256;
        d = MixPixel(d, s, f);
        std::memcpy(destination + 4 * i, &d, 4);
    }
}

} // namespace

void BlendRow(const uint8_t* source, uint8_t* destination, int count, TBlendMode mode, int constantAlpha, int bias)
{
    // Without a bias no channel leaves 0..255, so the common blends skip the clamping and take whole
    // pixels (the drag image blends its whole area at every move).
    if (mode != bmConstantAlphaAndColor && bias == 0 && constantAlpha >= 0 && constantAlpha <= 256) {
        const uint32_t ca = uint32_t(constantAlpha);
        if (mode == bmConstantAlpha)
            MixRow<bmConstantAlpha>(source, destination, count, ca);
        else if (mode == bmPerPixelAlpha)
            MixRow<bmPerPixelAlpha>(source, destination, count, ca);
        else
            MixRow<bmMasterAlpha>(source, destination, count, ca);
        return;
    }
    for (int i = 0; i < count; ++i) {
        uint8_t* d = destination + 4 * i;
        if (mode == bmConstantAlphaAndColor) {
            int f = constantAlpha;
            int channels[4] = {(bias >> 16) & 0xFF, (bias >> 8) & 0xFF, bias & 0xFF, 0};
            for (int c = 0; c < 4; ++c)
                d[c] = uint8_t((d[c] * (256 - f) + channels[c] * f) / 256);
            continue;
        }
        const uint8_t* s = source + 4 * i;
        int f = mode == bmConstantAlpha ? constantAlpha : mode == bmPerPixelAlpha ? s[3] : (s[3] * constantAlpha) / 256;
        for (int c = 0; c < 4; ++c)
            d[c] = uint8_t(std::clamp((d[c] * (256 - f) + s[c] * f) / 256 + bias, 0, 255));
    }
}

} // namespace treeview
