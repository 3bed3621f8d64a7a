#pragma once

#include <QProxyStyle>

namespace moravel::planner {

// The desktop's style with our own pictures for the standard ones the planner's windows show.
// The style would look each of them up in the icon theme first: that reads the theme's index
// files and directories while the main window is built, before its first paint.
class PlannerStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    QIcon standardIcon(StandardPixmap which, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};

} // namespace moravel::planner
