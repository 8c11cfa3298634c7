#pragma once
// Qt key events to the stored key codes, and back for display.
#include <QKeyEvent>

#include <cstdint>

namespace sv {

// 0 for a key that has no code (a lone modifier, an unknown key).
std::uint32_t KeyCodeFromEvent(const QKeyEvent& event);
std::uint32_t KeyCodeFromQt(int qtKey, Qt::KeyboardModifiers modifiers);

}  // namespace sv
