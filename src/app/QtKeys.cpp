#include "app/QtKeys.h"

#include "app/KeyCodes.h"

namespace sv {

std::uint32_t KeyCodeFromQt(int key, Qt::KeyboardModifiers modifiers) {
    std::uint32_t vk = 0;
    const bool keypad = modifiers & Qt::KeypadModifier;
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        vk = static_cast<std::uint32_t>('A' + (key - Qt::Key_A));
    } else if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        vk = keypad ? static_cast<std::uint32_t>(kVkNumpad0) + static_cast<std::uint32_t>(key - Qt::Key_0)
                    : static_cast<std::uint32_t>('0' + (key - Qt::Key_0));
    } else if (key >= Qt::Key_F1 && key <= Qt::Key_F24) {
        vk = static_cast<std::uint32_t>(kVkF1) + static_cast<std::uint32_t>(key - Qt::Key_F1);
    } else {
        switch (key) {
            case Qt::Key_Backspace: vk = kVkBack; break;
            case Qt::Key_Tab: vk = kVkTab; break;
            case Qt::Key_Return:
            case Qt::Key_Enter: vk = kVkReturn; break;
            case Qt::Key_Escape: vk = kVkEscape; break;
            case Qt::Key_Space: vk = kVkSpace; break;
            case Qt::Key_PageUp: vk = kVkPrior; break;
            case Qt::Key_PageDown: vk = kVkNext; break;
            case Qt::Key_End: vk = kVkEnd; break;
            case Qt::Key_Home: vk = kVkHome; break;
            case Qt::Key_Left: vk = kVkLeft; break;
            case Qt::Key_Up: vk = kVkUp; break;
            case Qt::Key_Right: vk = kVkRight; break;
            case Qt::Key_Down: vk = kVkDown; break;
            case Qt::Key_Insert: vk = kVkInsert; break;
            case Qt::Key_Delete: vk = kVkDelete; break;
            case Qt::Key_Asterisk: vk = keypad ? static_cast<std::uint32_t>(kVkMultiply) : 0u; break;
            case Qt::Key_Plus: vk = keypad ? kVkAdd : kVkOemPlus; break;
            case Qt::Key_Equal: vk = kVkOemPlus; break;
            case Qt::Key_Minus: vk = keypad ? kVkSubtract : kVkOemMinus; break;
            case Qt::Key_Comma: vk = kVkOemComma; break;
            case Qt::Key_Period: vk = keypad ? kVkDecimal : kVkOemPeriod; break;
            case Qt::Key_Slash: vk = keypad ? static_cast<std::uint32_t>(kVkDivide) : 0u; break;
            default: vk = 0;
        }
    }
    if (vk == 0) return 0;
    std::uint32_t code = vk;
    if (modifiers & Qt::ControlModifier) code |= kKeyCtrl;
    if (modifiers & Qt::AltModifier) code |= kKeyAlt;
    if (modifiers & Qt::ShiftModifier) code |= kKeyShift;
    return code;
}

std::uint32_t KeyCodeFromEvent(const QKeyEvent& event) { return KeyCodeFromQt(event.key(), event.modifiers()); }

}  // namespace sv
