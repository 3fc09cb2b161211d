#include "sim/key_injection.h"

#include <windows.h>

namespace tessel::sim {

bool injectKeys(const std::vector<KeyEvent>& keys) {
    std::vector<INPUT> inputs;
    inputs.reserve(keys.size());
    for (const KeyEvent& key : keys) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key.virtualKey;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key.virtualKey, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = key.down ? 0 : KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    if (inputs.empty()) return true;
    return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

bool canInjectKeys() { return true; }

}  // namespace tessel::sim
