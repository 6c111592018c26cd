// Checks of the buttons against the sections and the pictures: hidden buttons, missing and
// unloadable pictures, sizes, buttons outside the background and buttons on top of each other.
#include <algorithm>

#include "buttons/menu_button.h"
#include "tools/autorun_sim/check_context.h"

namespace autorun::tool {

namespace {

// Beyond this many buttons the check does not build the menu.
constexpr uint32_t buildLimit = 1000;

std::string numbers(uint32_t first, uint32_t last, const char* one, const char* many) {
    if (first == last) return std::string(one) + " " + std::to_string(first);
    return std::string(many) + " " + std::to_string(first) + " to " + std::to_string(last);
}

std::string point(int32_t x, int32_t y) {
    return "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
}

void reportMissingSections(CheckContext& c, uint32_t first, uint32_t last) {
    Answer buttons = c.answer("Main", keys::buttons);
    std::string sections =
        first == last ? "[" + sectionOfButton(first) + "]"
                      : "[" + sectionOfButton(first) + "] to [" + sectionOfButton(last) + "]";
    c.warn(buttons.offset, "Buttons=" + buttons.value + ", but there is no section " + sections +
                               ": the menu hides " + numbers(first, last, "button", "buttons") +
                               "; lower Buttons to " + std::to_string(first - 1) + " or add the " +
                               (first == last ? "section" : "sections"));
}

// Whether the button has a position; reports the keys that hide it.
bool checkPosition(CheckContext& c, uint32_t n, int32_t header) {
    std::string section = sectionOfButton(n);
    Answer top = c.answer(section, keys::top);
    Answer left = c.answer(section, keys::left);
    std::string missing;
    if (top.value.empty()) missing = top.found ? "an empty Top" : "no Top";
    if (left.value.empty()) {
        if (!missing.empty()) missing += " and ";
        missing += left.found ? "an empty Left" : "no Left";
    }
    if (!missing.empty()) {
        c.warn(header, "button " + std::to_string(n) + " has " + missing +
                           ": the menu hides it; write Top=Y and Left=X in [" + section + "]");
        return false;
    }
    for (const Answer* a : {&top, &left}) {
        if (isPlainNumber(a->value, true)) continue;
        const char* key = a == &top ? keys::top : keys::left;
        std::string read = std::to_string(readNumber(a->value.c_str()));
        c.warn(a->offset, std::string(key) + "=" + a->value + " is read as " + read +
                              " (the menu takes only leading digits); write " + key + "=" + read);
    }
    return true;
}

struct Pictures {
    PictureInfo info[4];
};

// The four pictures in the order the menu loads them; it stops at the first that does not
// open, so a missing picture takes the later ones with it.
Pictures checkPictures(CheckContext& c, uint32_t n, int32_t header) {
    Pictures pictures;
    std::string section = sectionOfButton(n);
    Answer answers[4];
    for (int k = 0; k < 4; ++k) answers[k] = c.answer(section, pictureKeys[k]);
    // The pictures after k that the file names, and "is" or "are" to go with them.
    auto later = [&answers, &c](int k) {
        std::vector<std::string> names;
        for (int j = k + 1; j < 4; ++j) {
            if (answers[j].value.empty()) continue;
            names.push_back(std::string(pictureKeys[j]) + " (line " +
                            std::to_string(c.lineOf(answers[j].offset)) + ")");
        }
        std::string list;
        for (size_t i = 0; i < names.size(); ++i) {
            list += i == 0 ? "" : i + 1 == names.size() ? " and " : ", ";
            list += names[i];
        }
        if (!list.empty()) list += names.size() == 1 ? " is" : " are";
        return list;
    };
    for (int k = 0; k < 4; ++k) {
        const Answer& a = answers[k];
        std::string role = std::string("the ") + pictureRoles[k] + " picture";
        if (a.value.empty()) {
            if (k == 0) {
                c.error(a.found ? a.offset : header,
                        "button " + std::to_string(n) +
                            " has no NABitmap: it shows nothing and answers clicks only at its "
                            "corner; write NABitmap=file.bmp");
                return pictures;
            }
            std::string lost = later(k);
            if (!lost.empty()) {
                c.warn(a.found ? a.offset : header,
                       std::string("button ") + std::to_string(n) + " has no " + pictureKeys[k] +
                           ", and the menu stops loading a button's pictures at the first that "
                           "does not open: " +
                           lost + " not loaded either; write " + pictureKeys[k] + "=file.bmp");
            }
            break;
        }
        c.fileName(a.offset, a.value);
        std::string path = c.inFolder(a.value);
        pictures.info[k] = inspectPicture(c, a.offset, role, a.value, path);
        if (!pictures.info[k].exists) {
            std::string lost = later(k);
            c.error(a.offset,
                    role + " " + quote(a.value) + " is not in the menu folder" +
                        (lost.empty()
                             ? std::string()
                             : "; the menu stops loading here, so " + lost + " not loaded either") +
                        (looksAbsolute(a.value)
                             ? "; the menu puts its folder in front of every picture name, so "
                               "name the file relative to the folder"
                             : ""));
            break;
        }
    }
    const PictureInfo& normal = pictures.info[0];
    for (int k = 1; k < 4 && normal.shown; ++k) {
        const PictureInfo& p = pictures.info[k];
        if (!p.shown || (p.width == normal.width && p.height == normal.height)) continue;
        c.warn(answers[k].offset,
               std::string("the ") + pictureRoles[k] + " picture is " + std::to_string(p.width) +
                   " x " + std::to_string(p.height) + ", the normal picture " +
                   std::to_string(normal.width) + " x " + std::to_string(normal.height) +
                   ": the menu draws each at its own size from the button's corner, but clicks "
                   "count only on the normal picture; make all four the same size");
    }
    return pictures;
}

void checkPlace(CheckContext& c, uint32_t n, int32_t header, const MenuButton& button) {
    if (!c.backgroundShown) return;
    const Rect& r = button.rect;
    int32_t w = c.backgroundWidth;
    int32_t h = c.backgroundHeight;
    std::string size = std::to_string(w) + " x " + std::to_string(h);
    if (r.left >= w || r.top >= h || r.right <= 0 || r.bottom <= 0) {
        c.warn(header, "button " + std::to_string(n) + " at " + point(r.left, r.top) +
                           " lies outside the " + size +
                           " background: it is never seen and never clicked; place it inside");
    } else if (r.left < 0 || r.top < 0 || r.right > w || r.bottom > h) {
        c.warn(header, "button " + std::to_string(n) + " reaches from " + point(r.left, r.top) +
                           " to " + point(r.right, r.bottom) + ", past the " + size +
                           " background: the part outside is cut off");
    }
}

bool takesPart(const MenuButton& b) {
    return !b.hidden && b.enabled && b.rect.right > b.rect.left && b.rect.bottom > b.rect.top;
}

void checkOverlaps(CheckContext& c, const Application& app, const std::vector<int32_t>& headers) {
    for (uint32_t j = 1; j < app.buttonCount; ++j) {
        const MenuButton& upper = app.buttons[j];
        if (!takesPart(upper)) continue;
        for (uint32_t i = 0; i < j; ++i) {
            const MenuButton& lower = app.buttons[i];
            if (!takesPart(lower)) continue;
            const Rect& a = lower.rect;
            const Rect& b = upper.rect;
            // Pictures cover right and bottom exclusively, the hit test includes them.
            bool hitsMeet =
                a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
            if (!hitsMeet) continue;
            bool picturesMeet =
                a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
            std::string pair = "buttons " + std::to_string(i + 1) + " and " + std::to_string(j + 1);
            if (picturesMeet) {
                Rect o{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                       std::min(a.bottom, b.bottom)};
                c.warn(headers[j], pair + " overlap from " + point(o.left, o.top) + " to " +
                                       point(o.right, o.bottom) + ": a click there runs button " +
                                       std::to_string(i + 1) + ", while button " +
                                       std::to_string(j + 1) + " is drawn on top; move them apart");
            } else {
                c.warn(headers[j], pair +
                                       " touch: a button also answers clicks on the pixel line "
                                       "just right of and below its picture, so a click on the "
                                       "edge between them runs button " +
                                       std::to_string(i + 1) + "; leave a gap of one pixel");
            }
        }
    }
}

// Named and unnamed shown buttons side by side: a screen reader announces the unnamed ones
// by number only, and the pointer finds a tip on some buttons and none on others.
void checkTips(CheckContext& c, const Application& app, const std::vector<int32_t>& headers) {
    std::vector<uint32_t> named;
    std::vector<uint32_t> unnamed;
    for (uint32_t i = 0; i < app.buttonCount; ++i) {
        if (app.buttons[i].hidden || headers[i] < 0) continue;
        (app.buttons[i].tip.length() > 0 ? named : unnamed).push_back(i + 1);
    }
    if (named.empty()) return;
    for (uint32_t n : unnamed) {
        c.warn(headers[n - 1],
               "button " + std::to_string(n) + " has no " + tipKey + " while button " +
                   std::to_string(named[0]) + " has one: a screen reader names it only \"Button " +
                   std::to_string(n) + "\" and the pointer finds no tip on it; write " + tipKey +
                   "=… in [" + sectionOfButton(n) + "]");
    }
}

}  // namespace

void checkButtons(CheckContext& c) {
    uint32_t count = c.buttonCount();
    uint32_t present = std::min(count, c.highestButtonSection());
    std::vector<int32_t> headers(present + 1, -1);
    std::vector<bool> placed(present + 1, false);
    uint32_t missingFrom = 0;
    for (uint32_t n = 1; n <= present; ++n) {
        headers[n] = c.headerOffset(sectionOfButton(n));
        if (headers[n] < 0) {
            if (missingFrom == 0) missingFrom = n;
            continue;
        }
        if (missingFrom != 0) reportMissingSections(c, missingFrom, n - 1);
        missingFrom = 0;
        placed[n] = checkPosition(c, n, headers[n]);
    }
    if (missingFrom != 0 || count > present)
        reportMissingSections(c, missingFrom != 0 ? missingFrom : present + 1, count);

    if (count > buildLimit) {
        c.warn(c.answer("Main", keys::buttons).offset,
               "Buttons=" + std::to_string(count) + " is more than the check builds (" +
                   std::to_string(buildLimit) + "); the pictures and places are not checked");
        return;
    }
    // The menu's own build: positions, pictures, and the Activate rules with the registry given.
    Application& app = c.app;
    app.reinitialise();
    std::vector<int32_t> byIndex(app.buttonCount, -1);
    for (uint32_t n = 1; n <= present; ++n) {
        if (!placed[n]) continue;
        byIndex[n - 1] = headers[n];
        checkPictures(c, n, headers[n]);
        if (n <= app.buttonCount) checkPlace(c, n, headers[n], app.buttons[n - 1]);
    }
    checkOverlaps(c, app, byIndex);
    checkTips(c, app, byIndex);
}

}  // namespace autorun::tool
