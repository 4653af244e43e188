// Portable routines of the tree unit (see unit_services.h).
#include "treeview/unit_services.h"
#include "treeview/virtual_tree.h"
#include "core/exception.h"
#include <algorithm>
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

void BlendRow(const uint8_t* source, uint8_t* destination, int count, TBlendMode mode, int constantAlpha, int bias)
{
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
