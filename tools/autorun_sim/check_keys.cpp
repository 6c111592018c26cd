// Checks of the key lines of [Main] and the button sections: lines the menu ignores, keys set
// twice, and keys that answer another key because keys match by their beginning.
#include <algorithm>

#include "tools/autorun_sim/check_context.h"

namespace autorun::tool {

namespace {

std::string knownList(const char* const* keys) {
    std::string list;
    for (const char* const* k = keys; *k != nullptr; ++k) {
        if (!list.empty()) list += k[1] == nullptr ? " and " : ", ";
        list += *k;
    }
    return list;
}

bool holdsInlineComment(const std::string& value) {
    for (size_t i = 1; i < value.size(); ++i) {
        if (value[i] == ';' && static_cast<unsigned char>(value[i - 1]) <= 0x20) return true;
    }
    return false;
}

// Keys whose value is text that a trailing comment would silently become part of.
bool takesText(const std::string& key) {
    return sameName(key, keys::appName) || sameName(key, keys::action) ||
           sameName(key, keys::activate) || sameName(key, tipKey);
}

void checkSection(CheckContext& c, const std::string& section, const char* const* keys) {
    int32_t header = c.headerOffset(section);
    // A section taken from a comment is reported as such; its lines are not worth a look.
    if (header < 0 || !c.startsLine(header)) return;
    std::vector<SectionLine> lines = c.sectionLines(section);
    std::vector<std::pair<std::string, int32_t>> seen;
    for (const SectionLine& line : lines) {
        std::string text = trimmed(line.text);
        if (text.empty() || text[0] == ';') continue;
        size_t equalsSign = line.text.find('=');
        if (equalsSign == std::string::npos) {
            c.warn(line.offset, "no \"=\" on this line, so the menu ignores it; write Key=Value");
            continue;
        }
        std::string name = trimmed(line.text.substr(0, equalsSign));
        if (name.empty()) {
            c.warn(line.offset, "no key before \"=\", so the menu ignores this line");
            continue;
        }
        bool repeated = false;
        for (const auto& [earlier, offset] : seen) {
            if (!sameName(earlier, name)) continue;
            c.warn(line.offset, name + " is set again: the menu uses only the first, on line " +
                                    std::to_string(c.lineOf(offset)) + "; remove one of them");
            repeated = true;
            break;
        }
        if (repeated) continue;
        seen.emplace_back(name, line.offset);

        const char* known = nullptr;
        for (const char* const* k = keys; *k != nullptr; ++k) {
            if (sameName(name, *k)) known = *k;
        }
        if (known != nullptr) {
            Answer answer = c.answer(section, known);
            if (answer.offset == line.offset && takesText(known) &&
                holdsInlineComment(answer.value)) {
                c.warn(line.offset, std::string("there are no comments after a value: the menu "
                                                "reads ") +
                                        known + " as " + quote(answer.value) +
                                        "; put the comment on a line of its own");
            }
            continue;
        }
        const char* answered = nullptr;
        for (const char* const* k = keys; *k != nullptr && answered == nullptr; ++k) {
            if (c.answer(section, *k).offset == line.offset) answered = *k;
        }
        if (answered == nullptr) {
            c.warn(line.offset, "the menu reads no key " + quote(name) + " in [" + section +
                                    "], so this line does nothing; the keys are " +
                                    knownList(keys));
            continue;
        }
        Answer answer = c.answer(section, answered);
        std::string hidden;
        for (const SectionLine& other : lines) {
            size_t eq = other.text.find('=');
            if (other.offset > line.offset && eq != std::string::npos && other.text[0] != ';' &&
                sameName(trimmed(other.text.substr(0, eq)), answered)) {
                hidden = " instead of from line " + std::to_string(c.lineOf(other.offset));
                break;
            }
        }
        c.warn(line.offset, quote(trimmed(line.text)) + " answers the key " + answered +
                                ", because the menu matches keys by their beginning: it reads " +
                                answered + " as " + quote(answer.value) + " from this line" +
                                hidden + "; put the " + answered +
                                " line first, or rename this key");
    }
}

}  // namespace

void checkKeys(CheckContext& c) {
    checkSection(c, "Main", mainKeys);
    uint32_t buttons = std::min(c.buttonCount(), c.highestButtonSection());
    for (uint32_t n = 1; n <= buttons; ++n) checkSection(c, sectionOfButton(n), buttonKeys);
}

}  // namespace autorun::tool
