#include "PlannerStyle.h"

#include "Pictures.h"

namespace moravel::planner {

QIcon PlannerStyle::standardIcon(StandardPixmap which, const QStyleOption* option,
                                 const QWidget* widget) const {
    const QIcon own = pictures::standard(which);
    return own.isNull() ? QProxyStyle::standardIcon(which, option, widget) : own;
}

} // namespace moravel::planner
