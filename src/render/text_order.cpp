#include "render/text_order.h"

#include <QChar>

#include <algorithm>

namespace lyrimo {
namespace {

// The classes the resolution distinguishes. Arabic letters stay apart from other
// right-to-left letters until numbers after them have been classified.
enum class tBidiClass : uint8_t { L, R, AL, EN, AN, ES, ET, CS, NSM, WS, Neutral };

tBidiClass ClassOf(char32_t c) {
    switch (QChar::direction(c)) {
    case QChar::DirL: return tBidiClass::L;
    case QChar::DirR: return tBidiClass::R;
    case QChar::DirAL: return tBidiClass::AL;
    case QChar::DirEN: return tBidiClass::EN;
    case QChar::DirAN: return tBidiClass::AN;
    case QChar::DirES: return tBidiClass::ES;
    case QChar::DirET: return tBidiClass::ET;
    case QChar::DirCS: return tBidiClass::CS;
    case QChar::DirNSM: return tBidiClass::NSM;
    case QChar::DirWS:
    case QChar::DirS:
    case QChar::DirB:
    case QChar::DirBN: return tBidiClass::WS;
    default: return tBidiClass::Neutral;
    }
}

bool IsStrong(tBidiClass c) { return c == tBidiClass::L || c == tBidiClass::R || c == tBidiClass::AL; }

// One class per character (not per code unit), with the unit where each character starts.
struct tCharacters {
    std::vector<tBidiClass> classes;
    std::vector<int> firstUnit;
};

tCharacters Classify(const QString& text) {
    tCharacters chars;
    for (int i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        chars.firstUnit.push_back(i);
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        chars.classes.push_back(ClassOf(c));
    }
    return chars;
}

// Weak types: marks take the class before them, numbers after Arabic letters become
// Arabic numbers, separators between numbers and terminators next to them join the
// numbers, and European numbers after left-to-right letters count as letters.
void ResolveWeakTypes(std::vector<tBidiClass>& t, tBidiClass start) {
    using C = tBidiClass;
    C previous = start;
    for (C& c : t) {
        if (c == C::NSM)
            c = previous;
        previous = c;
    }
    C lastStrong = start;
    for (C& c : t) {
        if (c == C::EN && lastStrong == C::AL)
            c = C::AN;
        if (IsStrong(c))
            lastStrong = c;
    }
    for (C& c : t) {
        if (c == C::AL)
            c = C::R;
    }
    size_t n = t.size();
    for (size_t i = 1; i + 1 < n; ++i) {
        bool separator = t[i] == C::ES || t[i] == C::CS;
        if (separator && t[i - 1] == C::EN && t[i + 1] == C::EN)
            t[i] = C::EN;
        else if (t[i] == C::CS && t[i - 1] == C::AN && t[i + 1] == C::AN)
            t[i] = C::AN;
    }
    for (size_t i = 0; i < n; ++i) {
        if (t[i] != C::ET)
            continue;
        size_t end = i;
        while (end < n && t[end] == C::ET)
            ++end;
        bool touchesNumber = (i > 0 && t[i - 1] == C::EN) || (end < n && t[end] == C::EN);
        for (size_t k = i; k < end; ++k)
            t[k] = touchesNumber ? C::EN : C::Neutral;
        i = end - 1;
    }
    for (C& c : t) {
        if (c == C::ES || c == C::CS)
            c = C::Neutral;
    }
    lastStrong = start;
    for (C& c : t) {
        if (c == C::EN && lastStrong == C::L)
            c = C::L;
        if (c == C::L || c == C::R)
            lastStrong = c;
    }
}

// Neutrals between two characters of one direction take it (numbers count as right to
// left here); other neutrals take the base direction.
void ResolveNeutrals(std::vector<tBidiClass>& t, tBidiClass base) {
    using C = tBidiClass;
    auto direction = [](C c) { return c == C::L ? C::L : C::R; };
    size_t n = t.size();
    for (size_t i = 0; i < n; ++i) {
        if (t[i] != C::WS && t[i] != C::Neutral)
            continue;
        size_t end = i;
        while (end < n && (t[end] == C::WS || t[end] == C::Neutral))
            ++end;
        C before = i == 0 ? base : direction(t[i - 1]);
        C after = end == n ? base : direction(t[end]);
        C resolved = before == after ? before : base;
        for (size_t k = i; k < end; ++k)
            t[k] = resolved;
        i = end - 1;
    }
}

} // namespace

std::vector<uint8_t> ResolveLevels(const QString& text, bool rightToLeftBase) {
    using C = tBidiClass;
    const C base = rightToLeftBase ? C::R : C::L;
    tCharacters chars = Classify(text);
    std::vector<tBidiClass> original = chars.classes;
    std::vector<tBidiClass>& t = chars.classes;
    ResolveWeakTypes(t, base);
    ResolveNeutrals(t, base);

    const uint8_t baseLevel = rightToLeftBase ? 1 : 0;
    std::vector<uint8_t> levels(static_cast<size_t>(text.size()), baseLevel);
    size_t n = t.size();
    // Trailing white space stays at the base level, so it sits at the line's far end.
    size_t trailing = n;
    while (trailing > 0 && original[trailing - 1] == C::WS)
        --trailing;
    for (size_t k = 0; k < n; ++k) {
        uint8_t level = baseLevel;
        if (k < trailing) {
            if (baseLevel == 0)
                level = t[k] == C::R ? 1 : (t[k] == C::EN || t[k] == C::AN) ? 2 : 0;
            else
                level = t[k] == C::R ? 1 : 2;
        }
        int from = chars.firstUnit[k];
        int to = k + 1 < n ? chars.firstUnit[k + 1] : int(text.size());
        std::fill(levels.begin() + from, levels.begin() + to, level);
    }
    return levels;
}

std::vector<int> ReorderRuns(const std::vector<uint8_t>& levels) {
    std::vector<int> order(levels.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    if (levels.empty())
        return order;
    auto [lowest, highest] = std::minmax_element(levels.begin(), levels.end());
    int lowestOdd = *lowest % 2 == 1 ? *lowest : *lowest + 1;
    for (int level = *highest; level >= lowestOdd; --level) {
        size_t i = 0;
        while (i < order.size()) {
            if (levels[size_t(order[i])] < level) {
                ++i;
                continue;
            }
            size_t end = i;
            while (end < order.size() && levels[size_t(order[end])] >= level)
                ++end;
            std::reverse(order.begin() + long(i), order.begin() + long(end));
            i = end;
        }
    }
    return order;
}

std::vector<int> DisplayOrder(const QString& text, const std::vector<uint8_t>& levels) {
    std::vector<int> order = ReorderRuns(levels);
    // A reversed surrogate pair shows its low unit first; swap them back.
    for (size_t i = 0; i + 1 < order.size(); ++i) {
        int a = order[i], b = order[i + 1];
        if (a == b + 1 && text[a].isLowSurrogate() && text[b].isHighSurrogate()) {
            std::swap(order[i], order[i + 1]);
            ++i;
        }
    }
    return order;
}

} // namespace lyrimo
