#pragma once
// The program's icon, drawn rather than shipped: a green waveform on black.
#include <QIcon>

namespace sv {

QIcon AppIcon();

}  // namespace sv
