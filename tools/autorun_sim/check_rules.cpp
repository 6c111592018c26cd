// Checks of the buttons' Activate rules: verbs, targets and aliases, and the items that end a
// button's rules before their time.
#include "tools/autorun_sim/check_context.h"

namespace autorun::tool {

namespace {

std::string rulesLost(const std::vector<Item>& items, size_t i) {
    std::string next = nextWithWords(items, i);
    return next.empty() ? "" : ", so " + quote(next) + " and what follows are ignored";
}

// Reports what is wrong with one rule; false when the menu stops reading the button's rules.
bool checkRule(CheckContext& c, int32_t at, const std::vector<Item>& items, size_t i) {
    const Item& item = items[i];
    const std::vector<std::string>& w = item.words;
    const ActivateRule& rule = item.rule;
    if (item.holdsControl) {
        // The tab is the cause; what the menu then makes of the words is told with it.
        bool stops = rule.stop != RuleStop::none;
        c.error(at, quote(shown(item)) +
                        " holds a tab: the menu separates words only by spaces, so the tab "
                        "joins two words into one" +
                        (stops ? ", and the rule ends this button's rules" + rulesLost(items, i)
                               : std::string()) +
                        "; use a space");
        return !stops;
    }
    if (w.size() < 2) {
        c.warn(at, quote(item.text) +
                       " is no rule: a rule is ENABLE or DISABLE, BUTTONn and an alias; the menu "
                       "skips it");
        return true;
    }
    if (rule.stop == RuleStop::noButtonWord) {
        c.error(at, quote(w[1]) +
                        " names no button (write BUTTON1 to BUTTON9): the menu stops "
                        "reading this button's rules here" +
                        rulesLost(items, i));
        return false;
    }
    if (rule.stop == RuleStop::unknownVerb) {
        c.error(at, quote(w[0]) +
                        " is no rule verb (ENABLE or DISABLE): the menu stops reading "
                        "this button's rules here" +
                        rulesLost(items, i));
        return false;
    }
    uint32_t number = rule.target;
    if (number == 0) {
        c.error(at, quote(w[1]) +
                        " names no button: the menu takes the button's number from "
                        "the one digit after BUTTON (1 to 9) and skips this rule");
        return true;
    }
    if (!item.plainTarget) {
        c.error(at, quote(w[1]) + " names button " + std::to_string(number) +
                        ": the menu reads only the one digit after BUTTON, so rules reach "
                        "buttons 1 to 9 only");
    }
    if (number > c.buttonCount()) {
        c.error(at, quote(w[1]) + " names button " + std::to_string(number) + ", but Buttons is " +
                        std::to_string(c.buttonCount()) + ": the menu skips this rule");
        return true;
    }
    if (!item.ruleNamesAlias) {
        c.warn(at, quote(item.text) + " names no alias: a rule is " + w[0] + " " + w[1] +
                       " ALIAS, and the menu skips it");
        return true;
    }
    String ignored;
    if (!c.app.aliases.findAlias(w[2].c_str(), ignored)) {
        c.error(at, "the alias " + quote(w[2]) +
                        " is not defined in [Registry]: it reads as empty, so this rule always " +
                        (rule.enable ? "disables" : "enables") + " button " +
                        std::to_string(number) + "; define " + w[2] +
                        "=Vendor\\Program\\Value in [Registry]");
    }
    return true;
}

}  // namespace

void checkRules(CheckContext& c) {
    uint32_t buttons = std::min(c.buttonCount(), c.highestButtonSection());
    for (uint32_t n = 1; n <= buttons; ++n) {
        Answer rules = c.answer(sectionOfButton(n), keys::activate);
        if (rules.value.empty()) continue;
        std::vector<Item> items = splitItems(rules.value);
        for (size_t i = 0; i < items.size(); ++i) {
            if (items[i].rule.stop == RuleStop::emptyItem) {
                if (wordsAfter(items, i)) {
                    c.error(rules.offset,
                            "an empty item (two \"|\" in a row, or one at the "
                            "start) ends this button's rules" +
                                rulesLost(items, i) + "; remove the extra \"|\"");
                }
                break;
            }
            if (!checkRule(c, rules.offset, items, i)) break;
        }
    }
}

}  // namespace autorun::tool
