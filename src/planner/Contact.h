#pragma once

#include <QString>

// The maker's contact data, in one place. There is no web page and no contact address yet:
// while the address is empty, the commands that would open it are disabled.
namespace moravel::planner::contact {

inline const QString kWebAddress;
inline const QString kEmail;
inline const QString kPhoneAndFax;
inline const QString kPostalAddress;

} // namespace moravel::planner::contact
