#pragma once

#include <QLoggingCategory>
#include <QString>

#include <libical/ical.h>

#include <memory>

namespace moravel::ical {

Q_DECLARE_LOGGING_CATEGORY(lcIcal)

struct ComponentFree {
    void operator()(icalcomponent* component) const { icalcomponent_free(component); }
};
// A component tree owned here; freed with its children.
using ComponentPtr = std::unique_ptr<icalcomponent, ComponentFree>;

struct IteratorFree {
    void operator()(icalrecur_iterator* iterator) const { icalrecur_iterator_free(iterator); }
};
using RecurIteratorPtr = std::unique_ptr<icalrecur_iterator, IteratorFree>;

// libical's texts are UTF-8; a missing one reads as empty.
inline QString textOf(const char* utf8) {
    return utf8 ? QString::fromUtf8(utf8) : QString();
}

// The first X- property of this name in the component, if there is one.
inline icalproperty* xProperty(icalcomponent* component, const char* name) {
    for (icalproperty* p = icalcomponent_get_first_property(component, ICAL_X_PROPERTY); p;
         p = icalcomponent_get_next_property(component, ICAL_X_PROPERTY)) {
        const char* propertyName = icalproperty_get_x_name(p);
        if (propertyName && qstricmp(propertyName, name) == 0)
            return p;
    }
    return nullptr;
}

inline const char* xValue(icalcomponent* component, const char* name) {
    icalproperty* p = xProperty(component, name);
    return p ? icalproperty_get_x(p) : nullptr;
}

inline void removeXProperty(icalcomponent* component, const char* name) {
    if (icalproperty* p = xProperty(component, name)) {
        icalcomponent_remove_property(component, p);
        icalproperty_free(p);
    }
}

inline void addXProperty(icalcomponent* component, const char* name, const QByteArray& value) {
    icalproperty* p = icalproperty_new_x(value.constData());
    icalproperty_set_x_name(p, name);
    icalcomponent_add_property(component, p);
}

} // namespace moravel::ical
