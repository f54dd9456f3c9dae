// The application's icon, drawn rather than shipped, for the windows and the tray.
#pragma once

#include <QIcon>

namespace kc::gui {

QIcon AppIcon();

} // namespace kc::gui
