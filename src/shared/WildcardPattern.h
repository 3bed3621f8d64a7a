#pragma once

#include <QString>

#include <vector>

namespace moravel {

// A subject search: '*' stands for any text and '?' for one character; every other
// character is literal. Matching ignores letter case, umlauts included.
class WildcardPattern {
public:
    explicit WildcardPattern(const QString& pattern);

    // The pattern that finds every text containing the given search text.
    static WildcardPattern containing(const QString& searchText);

    bool matches(const QString& text) const;
    const QString& text() const { return m_text; }

private:
    QString m_text;
    std::vector<char32_t> m_folded;
};

} // namespace moravel
