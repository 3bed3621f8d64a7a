#include "WildcardPattern.h"

#include <QList>

namespace moravel {

namespace {
constexpr char32_t kAnyText = U'*';
constexpr char32_t kOneChar = U'?';

std::vector<char32_t> foldedCodePoints(const QString& text) {
    const QList<uint> ucs4 = text.toCaseFolded().toUcs4();
    return std::vector<char32_t>(ucs4.begin(), ucs4.end());
}
} // namespace

WildcardPattern::WildcardPattern(const QString& pattern)
    : m_text(pattern), m_folded(foldedCodePoints(pattern)) {}

WildcardPattern WildcardPattern::containing(const QString& searchText) {
    return WildcardPattern(QLatin1Char('*') + searchText + QLatin1Char('*'));
}

bool WildcardPattern::matches(const QString& text) const {
    const std::vector<char32_t> subject = foldedCodePoints(text);
    // Greedy matching with one backtrack point: linear for patterns like *text*.
    size_t p = 0, s = 0;
    size_t starP = std::string::npos, starS = 0;
    while (s < subject.size()) {
        if (p < m_folded.size() && m_folded[p] == kAnyText) {
            starP = p++;
            starS = s;
        } else if (p < m_folded.size() && (m_folded[p] == kOneChar || m_folded[p] == subject[s])) {
            ++p;
            ++s;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            s = ++starS;
        } else {
            return false;
        }
    }
    while (p < m_folded.size() && m_folded[p] == kAnyText)
        ++p;
    return p == m_folded.size();
}

} // namespace moravel
