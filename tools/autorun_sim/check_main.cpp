// Checks of [Main]: the caption switch, the icon, the background and the number of buttons.
#include "platform/window_system.h"
#include "tools/autorun_sim/check_context.h"

namespace autorun::tool {

namespace {

std::string absoluteHint(const std::string& value, const std::string& what) {
    return looksAbsolute(value) ? "; the menu puts its folder in front of every " + what +
                                      " name, so name the file relative to the folder"
                                : "";
}

void checkIcon(CheckContext& c) {
    Answer icon = c.answer("Main", keys::icon);
    if (icon.value.empty()) return;
    c.fileName(icon.offset, icon.value);
    std::string path = c.inFolder(icon.value);
    if (!c.hostFile(path)) {
        c.error(icon.offset, "the icon file " + quote(icon.value) +
                                 " is not in the menu folder (the menu loads " + c.shownPath(path) +
                                 "): the window gets no icon" + absoluteHint(icon.value, "icon"));
        return;
    }
    if (platform::loadIconFromFile(nullptr, path.c_str()) == nullptr) {
        c.error(icon.offset, quote(icon.value) +
                                 " is no icon file: the window gets no icon; save the icon as "
                                 "a .ico file");
    }
}

void checkBackground(CheckContext& c, int32_t mainHeader) {
    Answer background = c.answer("Main", keys::background);
    if (background.value.empty()) {
        c.warn(background.found ? background.offset : mainHeader,
               "no BackGround picture: the window's client area is 0 x 0, so the menu shows no "
               "picture and no buttons; write BackGround=background.bmp");
        return;
    }
    c.fileName(background.offset, background.value);
    // The background is opened as written, relative to the menu's current directory.
    PictureInfo info = inspectPicture(c, background.offset, "the background picture",
                                      background.value, c.systemPath(background.value));
    if (!info.exists) {
        c.error(background.offset,
                "the background picture " + quote(background.value) +
                    " is not in the menu folder: the window's client area is 0 x 0, so the menu "
                    "shows no picture and no buttons");
        return;
    }
    c.backgroundShown = info.shown;
    c.backgroundWidth = info.width;
    c.backgroundHeight = info.height;
}

void checkCaption(CheckContext& c) {
    Answer caption = c.answer("Main", keys::showCaption);
    if (!caption.found || captionWanted(String(caption.value.c_str())) || caption.value == "0")
        return;
    c.warn(caption.offset, "ShowCaption=" + caption.value +
                               " gives no caption: the menu shows one only for exactly 1; write "
                               "ShowCaption=1, or 0 for none");
}

void checkButtonCount(CheckContext& c, int32_t mainHeader) {
    Answer buttons = c.answer("Main", keys::buttons);
    if (buttons.value.empty()) {
        if (c.highestButtonSection() == 0) return;
        c.warn(buttons.found ? buttons.offset : mainHeader,
               "no Buttons value in [Main]: the menu builds no buttons, so the [Button1] ... "
               "sections are never read; write Buttons=" +
                   std::to_string(c.highestButtonSection()));
        return;
    }
    if (isPlainNumber(buttons.value, false)) return;
    std::string count = std::to_string(c.buttonCount());
    c.warn(buttons.offset,
           "Buttons=" + buttons.value + " is read as " + count +
               (c.buttonCount() == 0 ? ", so the menu builds no buttons"
                                     : " (the menu takes only leading digits)") +
               "; write the number in digits alone, such as Buttons=" +
               (c.buttonCount() > 0            ? count
                : c.highestButtonSection() > 0 ? std::to_string(c.highestButtonSection())
                                               : std::string("3")));
}

}  // namespace

void checkMain(CheckContext& c) {
    int32_t mainHeader = c.headerOffset("Main");
    if (mainHeader < 0) {
        c.error(0,
                "there is no [Main] section: the menu shows an empty window without title, "
                "picture or buttons; start the file with [Main]");
        return;
    }
    checkCaption(c);
    checkIcon(c);
    checkBackground(c, mainHeader);
    checkButtonCount(c, mainHeader);
}

}  // namespace autorun::tool
