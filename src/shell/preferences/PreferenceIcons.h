#pragma once

#include <QIcon>

namespace marbrel {

// The toolbar icons of the preference panes and the program's own icon: from the desktop's icon
// theme when it has them, else drawn here so that a bare system still shows something sensible.
namespace preference_icons {
QIcon general();
QIcon appearance();
QIcon program();
}  // namespace preference_icons

}  // namespace marbrel
