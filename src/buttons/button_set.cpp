// The menu proper: building the buttons, the Activate rules, pointer handling and redrawing.
#include <cstdint>
#include <new>

#include "buttons/activate_rule.h"
#include "buttons/menu_button.h"
#include "config/application.h"
#include "config/text_encoding.h"

namespace autorun {

namespace {

// The pointer position as the window message packs it: two signed 16-bit numbers.
int32_t pointerX(intptr_t position) {
    return static_cast<int16_t>(position & 0xFFFF);
}
int32_t pointerY(intptr_t position) {
    return static_cast<int16_t>((position >> 16) & 0xFFFF);
}

bool isOn(const MenuButton& button, int32_t x, int32_t y) {
    return button.rect.left <= x && x <= button.rect.right && button.rect.top <= y &&
           y <= button.rect.bottom;
}

}  // namespace

const char* const pictureKeys[pictureSlots] = {"NABitmap", "ABitmap", "PBitmap", "DBitmap"};

String buttonSection(uint32_t number) {
    char digits[12];
    decimalText(number, digits);
    return String(concat(String("Button"), digits));
}

void Application::reinitialise() {
    destroyButtons();
    lookup("Main", keys::buttons);
    int32_t count = readNumber(currentValue.text());
    reloadAliases();
    // A negative count, or one beyond what a menu can show, builds no buttons.
    createButtons(
        count > 0 && static_cast<uint32_t>(count) <= maxButtons ? static_cast<uint32_t>(count) : 0);
    keepFocus();
    rebuildTooltips();
    redrawAll();
}

void Application::createButtons(uint32_t count) {
    // A count whose array would not fit the 2 GiB that a 32-bit program has gives no buttons,
    // on every platform alike; a smaller array that cannot be had gives none either.
    if (uint64_t{count} * sizeof(MenuButton) > uint64_t{INT32_MAX}) return;
    buttons = new (std::nothrow) MenuButton[count];
    if (buttons == nullptr) return;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t n = i + 1;
        MenuButton& button = buttons[i];
        String section(buttonSection(n));

        // The position is read under a guard: a missing value, or one that could not be copied
        // for want of memory, hides the button.
        uint32_t failuresBefore = String::allocationFailures();
        int32_t top = 0;
        int32_t left = 0;
        lookup(section.text(), keys::top);
        bool found = currentValue.length() > 0;
        if (found) {
            top = readNumber(currentValue.text());
            lookup(section.text(), keys::left);
            found = currentValue.length() > 0;
            if (found) left = readNumber(currentValue.text());
        }
        if (!found || String::allocationFailures() != failuresBefore) button.hidden = true;

        String names[pictureSlots];
        for (int32_t k = 0; k < pictureSlots; ++k) {
            lookup(section.text(), pictureKeys[k]);
            names[k].assign(inFolder(currentValue.text()));
        }
        button.setup(pictureSlots, names, Rect{left, top, 0, 0}, mainWindow.windowDC);
        lookup(section.text(), tipKey);
        button.tip.assign(systemText(currentValue.text()));
        buttonCount = n;
    }
    applyActivateRules();
}

void Application::applyActivateRules() {
    for (uint32_t n = 1; n <= buttonCount; ++n) {
        lookup(buttonSection(n).text(), keys::activate);
        if (currentValue.length() == 0) continue;
        String rules(currentValue);
        applyRules(rules.text());
    }
}

void Application::applyRules(char* item) {
    while (item != nullptr) {
        char* next = cutItem(item);
        int32_t n = 0;
        String* words = itemWords(item, n);
        ActivateRule rule = readRule(n, words);
        if (rule.stop == RuleStop::emptyItem) return;
        // A rule whose target names no existing button, or that lacks its alias, is skipped;
        // the next item still runs.
        if (rule.stop == RuleStop::none && rule.target >= 1 && rule.target <= buttonCount &&
            rule.alias != nullptr) {
            aliases.findAlias(rule.alias, currentValue);
            bool present = currentValue.length() > 0;
            buttons[rule.target - 1].enabled = present ? rule.enable : !rule.enable;
        }
        delete[] words;
        if (rule.stop != RuleStop::none) return;
        item = next;
    }
}

void Application::handleClick(intptr_t position) {
    int32_t x = pointerX(position);
    int32_t y = pointerY(position);
    for (uint32_t i = 0; i < buttonCount; ++i) {
        const MenuButton& button = buttons[i];
        if (!button.takesPart() || !isOn(button, x, y)) continue;
        pressButton(i);
        return;
    }
}

void Application::pressButton(uint32_t index) {
    buttons[index].press(mainWindow.windowDC);
    // The commands may rebuild the buttons under us (a message sent while a program is
    // waited for), so nothing here touches the button array afterwards.
    runAction(static_cast<int32_t>(index));
}

void Application::handlePointerMove(intptr_t position) {
    // The system also sends a move when the pointer only seems to have moved (a window above
    // it closed, the menu came to the front); that must not take the focus from the keyboard.
    bool moved = !pointerKnown || position != lastPointer;
    pointerKnown = true;
    lastPointer = position;
    if (focusShown && !moved) return;
    focusShown = false;
    int32_t x = pointerX(position);
    int32_t y = pointerY(position);
    for (uint32_t i = 0; i < buttonCount; ++i) {
        MenuButton& button = buttons[i];
        if (!button.takesPart()) continue;
        if (isOn(button, x, y))
            button.enterHover(mainWindow.windowDC);
        else
            button.leave(mainWindow.windowDC);
    }
}

void Application::redrawAll() {
    // Composed off screen and shown in one transfer, so that no button ever disappears behind
    // a freshly drawn background, also when the redraw comes five times a second.
    DeviceContext canvas = mainWindow.beginComposing();
    mainWindow.drawBackground(canvas);
    for (uint32_t i = 0; i < buttonCount; ++i) buttons[i].drawState(canvas);
    mainWindow.finishComposing(canvas);
}

}  // namespace autorun
