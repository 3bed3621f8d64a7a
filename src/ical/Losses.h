#pragma once

#include "IcalHandles.h"

#include <QByteArrayView>
#include <QString>

#include <vector>

namespace moravel::ical {

// What libical dropped from a component while reading it: a value it could not read (the
// property is then gone) or a line that is no property.
struct Loss {
    QString property; // "RRULE", "TRIGGER"; empty for a line that is no property
    int line = 0;     // the line of the file it stood on; 0 when it cannot be found
};

// The lines of a file, unfolded, to find where a dropped line stood. Built only when asked, as
// most files lose nothing.
class SourceLines {
public:
    explicit SourceLines(QByteArrayView bytes) : m_bytes(bytes) {}

    // The first line not asked for before that ends with `text`; 0 when none does.
    int lineEndingWith(QByteArrayView text);

private:
    struct Line {
        int number;
        QByteArray text;
        bool found = false;
    };
    QByteArrayView m_bytes;
    std::vector<Line> m_lines;
    bool m_split = false;
};

// The losses libical marked in the component itself, not in its children. An empty value
// ("SUMMARY:"), an unknown property or parameter loses nothing worth telling: they go to the log.
std::vector<Loss> lossesOf(icalcomponent* component, SourceLines& lines);

// "Zeile 12 (RRULE)", "Zeile 30", "RRULE" or "eine Zeile" for a loss.
QString whereLost(const Loss& loss);

} // namespace moravel::ical
