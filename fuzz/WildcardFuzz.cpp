// The subject search: any pattern against any text, compared with a plain dynamic-programming
// matcher over the same case-folded code points.

#include "FuzzCheck.h"
#include "WildcardPattern.h"

#include <QList>
#include <QString>

#include <vector>

using namespace moravel;

namespace {

std::vector<char32_t> folded(const QString& text) {
    const QList<uint> ucs4 = text.toCaseFolded().toUcs4();
    return std::vector<char32_t>(ucs4.begin(), ucs4.end());
}

// matches[i][j]: the first i pattern characters match the first j text characters.
bool referenceMatch(const std::vector<char32_t>& pattern, const std::vector<char32_t>& text) {
    std::vector<std::vector<bool>> matches(pattern.size() + 1, std::vector<bool>(text.size() + 1, false));
    matches[0][0] = true;
    for (size_t i = 1; i <= pattern.size(); ++i) {
        const char32_t p = pattern[i - 1];
        matches[i][0] = p == U'*' && matches[i - 1][0];
        for (size_t j = 1; j <= text.size(); ++j) {
            if (p == U'*')
                matches[i][j] = matches[i - 1][j] || matches[i][j - 1];
            else
                matches[i][j] = matches[i - 1][j - 1] && (p == U'?' || p == text[j - 1]);
        }
    }
    return matches[pattern.size()][text.size()];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Pattern and text are separated by the first NUL byte.
    const char* bytes = reinterpret_cast<const char*>(data);
    size_t split = 0;
    while (split < size && bytes[split] != '\0')
        ++split;
    const QString pattern = QString::fromUtf8(bytes, static_cast<qsizetype>(split));
    const QString text = split < size
                             ? QString::fromUtf8(bytes + split + 1, static_cast<qsizetype>(size - split - 1))
                             : QString();

    const WildcardPattern wildcard(pattern);
    FUZZ_CHECK(wildcard.matches(text) == referenceMatch(folded(pattern), folded(text)));
    // The search for a text finds every subject that contains it, itself included.
    FUZZ_CHECK(WildcardPattern::containing(pattern).matches(pattern));
    return 0;
}
