#pragma once
// The About box shown as a start-up splash: borderless, centred on the screen, closed by a
// timer.
#include <QPointer>
#include <QWidget>

#include <string>

namespace sv {

// Shows text in a splash over owner (which also owns it); the splash closes itself after ms.
QWidget* ShowSplash(QWidget* owner, const std::string& text, int ms = 7000);

}  // namespace sv
