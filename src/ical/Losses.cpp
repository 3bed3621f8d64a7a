#include "Losses.h"

namespace moravel::ical {

int SourceLines::lineEndingWith(QByteArrayView text) {
    if (!m_split) {
        m_split = true;
        int number = 0;
        for (QByteArrayView rest = m_bytes; !rest.isEmpty();) {
            const qsizetype end = rest.indexOf('\n');
            QByteArrayView line = end < 0 ? rest : rest.first(end);
            rest = end < 0 ? QByteArrayView() : rest.sliced(end + 1);
            ++number;
            if (line.endsWith('\r'))
                line.chop(1);
            // A line that starts with a blank or a tab continues the one before (RFC 5545, 3.1).
            if (!m_lines.empty() && (line.startsWith(' ') || line.startsWith('\t')))
                m_lines.back().text += line.sliced(1);
            else
                m_lines.push_back(Line{number, line.toByteArray()});
        }
    }
    for (Line& line : m_lines) {
        if (!line.found && line.text.endsWith(text)) {
            line.found = true;
            return line.number;
        }
    }
    return 0;
}

std::vector<Loss> lossesOf(icalcomponent* component, SourceLines& lines) {
    std::vector<Loss> losses;
    for (icalproperty* p = icalcomponent_get_first_property(component, ICAL_XLICERROR_PROPERTY); p;
         p = icalcomponent_get_next_property(component, ICAL_XLICERROR_PROPERTY)) {
        icalparameter* type = icalproperty_get_first_parameter(p, ICAL_XLICERRORTYPE_PARAMETER);
        const icalparameter_xlicerrortype kind =
            type ? icalparameter_get_xlicerrortype(type) : ICAL_XLICERRORTYPE_COMPONENTPARSEERROR;
        const QByteArray text(icalproperty_get_xlicerror(p) ? icalproperty_get_xlicerror(p) : "");
        const bool empty = text.startsWith("No value for");
        if (kind != ICAL_XLICERRORTYPE_COMPONENTPARSEERROR &&
            (kind != ICAL_XLICERRORTYPE_VALUEPARSEERROR || empty)) {
            qCInfo(lcIcal) << "ignored:" << text;
            continue;
        }
        qCWarning(lcIcal) << "unreadable:" << text;
        // libical's texts: "Can't parse as RECUR value in RRULE property. Removing entire
        // property: FREQ=FOO" and "Got a data line, but could not find a property name or
        // component begin tag: <line>".
        Loss loss;
        if (kind == ICAL_XLICERRORTYPE_VALUEPARSEERROR) {
            const qsizetype in = text.indexOf(" in ");
            const qsizetype end = text.indexOf(" property", in + 4);
            if (in >= 0 && end > in)
                loss.property = QString::fromUtf8(text.mid(in + 4, end - in - 4));
        }
        const qsizetype colon = text.indexOf(": ");
        if (colon >= 0)
            loss.line = lines.lineEndingWith(QByteArrayView(text).sliced(colon + 2));
        losses.push_back(loss);
    }
    return losses;
}

QString whereLost(const Loss& loss) {
    if (loss.line == 0)
        return loss.property.isEmpty() ? QStringLiteral("eine Zeile") : loss.property;
    QString text = QStringLiteral("Zeile ") + QString::number(loss.line);
    if (!loss.property.isEmpty())
        text += QStringLiteral(" (") + loss.property + QLatin1Char(')');
    return text;
}

} // namespace moravel::ical
