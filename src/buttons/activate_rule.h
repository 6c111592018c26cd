// How the menu reads one item of an Activate value: its verb, the button it names, its alias,
// and whether it ends the button's rules.
#pragma once

#include <cstdint>

#include "config/text_string.h"

namespace autorun {

// What ends a button's rules at an item: nothing, an item without words, a second word without
// "BUTTON", or a verb other than ENABLE and DISABLE (tested in this order).
enum class RuleStop { none, emptyItem, noButtonWord, unknownVerb };

struct ActivateRule {
    RuleStop stop = RuleStop::none;
    bool enable = false;
    // The button named: the digit 1 to 9 at the seventh byte of the target word, else 0.
    uint32_t target = 0;
    // The third word, or null when the item has fewer.
    const char* alias = nullptr;
};

// Reads an item of wordTotal words (words null when it has none, as itemWords gives them).
inline ActivateRule readRule(int32_t wordTotal, const String* words) {
    ActivateRule rule;
    if (words == nullptr || wordTotal <= 0) {
        rule.stop = RuleStop::emptyItem;
        return rule;
    }
    // A single word is no rule, but it does not end the rules either.
    if (wordTotal < 2) return rule;
    const String& target = words[1];
    if (find("BUTTON", target.text()) < 0) {
        rule.stop = RuleStop::noButtonWord;
    } else if (equals(words[0], "ENABLE")) {
        rule.enable = true;
    } else if (!equals(words[0], "DISABLE")) {
        rule.stop = RuleStop::unknownVerb;
    }
    // Only the one byte after "BUTTON" is read, so BUTTON12 names button 1.
    char digit = target.length() >= 7 ? target.text()[6] : '\0';
    if (digit >= '1' && digit <= '9') rule.target = static_cast<uint32_t>(digit - '0');
    if (wordTotal >= 3) rule.alias = words[2].text();
    return rule;
}

// Whether a target word is "BUTTON" and one byte, so that the digit read is all of its number.
inline bool plainRuleTarget(const String& word) {
    return word.length() == 7 && find("BUTTON", word.text()) == 0;
}

}  // namespace autorun
