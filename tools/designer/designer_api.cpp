// The designer page's only way into the menu: a C API over the simulated machine. The page puts
// the menu folder and the registry in, starts the menu as play does, hands it pointer events and
// reads back pixels, buttons, the trace and the findings of check.
#include <dirent.h>
#include <emscripten.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "buttons/menu_button.h"
#include "config/application.h"
#include "config/text_encoding.h"
#include "platform/sim/sim.h"
#include "shell/main_window.h"
#include "tools/autorun_sim/check_context.h"
#include "tools/autorun_sim/menu_run.h"
#include "tools/designer/json_text.h"

using namespace autorun;
using namespace autorun::tool;

namespace {

// Where the page's files live in the module's in-memory file system.
const char* const menuFolder = "/menu";

struct Designer {
    Options options;
    std::string registryFile;                   // a loaded .reg, applied at every start
    std::vector<Event> registryEdits;           // the values set on the page since, in order
    std::deque<std::function<void()>> pending;  // input the menu has not taken yet
    bool running = false;
    bool stopping = false;
    std::string trace;  // lines since the page last read them
    std::string aliases;
    std::string layout;
    std::vector<Finding> findings;
    std::string reply;  // the text the last call handed out
    std::vector<uint8_t> rgba;
    std::vector<uint32_t> frame;  // the client area as the page last drew it, RGBA
    std::vector<uint32_t> shown;  // the same as the window held it
    std::vector<int32_t> buttons;
    int32_t frameHeader[7] = {};
};

Designer& designer() {
    static Designer* state = [] {
        auto* d = new Designer();
        d->options.dir = menuFolder;
        d->options.cwd = "D:\\Menu";
        // A started program runs until the author ends it on the page.
        d->options.waitSlices = 1000000000;
        return d;
    }();
    return *state;
}

// The page's side of the two places where the menu gives control back: an empty queue, and a
// program it waits for. Both resolve when the page has something for it (or after one slice of
// the wait), and Asyncify resumes the menu where it stopped.
EM_ASYNC_JS(void, awaitInput, (), { await Module.designerAwaitInput(); });
EM_ASYNC_JS(void, awaitWaitSlice, (), { await Module.designerAwaitWaitSlice(); });

bool nextInput() {
    Designer& d = designer();
    // The trace lines have been handed to the page through the sink already.
    sim::clearTrace();
    while (d.pending.empty() && !d.stopping) awaitInput();
    if (d.stopping) return false;
    std::function<void()> input = std::move(d.pending.front());
    d.pending.pop_front();
    input();
    return true;
}

void prepare() {
    Designer& d = designer();
    std::string error;
    mkdir(menuFolder, 0755);
    prepareMachine(d.options, error);
    if (!d.registryFile.empty()) sim::loadRegistryText(d.registryFile, "registry.reg", error);
    for (const Event& edit : d.registryEdits) deliverEvent(edit);
}

std::string field(const std::string& line, const std::string& name) {
    size_t start = line.find(" " + name + "=\"");
    if (start == std::string::npos) return "";
    start += name.size() + 3;
    size_t end = line.find("\" ", start);
    if (end == std::string::npos) end = line.rfind('"');
    return end > start ? line.substr(start, end - start) : "";
}

// A text of the file as the menu hands it to the system.
std::string inUtf8(const String& text) {
    String converted(text.length() > 0 ? systemText(text.text()) : String());
    return converted.length() > 0 ? converted.text() : "";
}

// A text of the file as a JSON string, in UTF-8 as the page reads every text.
std::string jsonFileText(const std::string& text) {
    return jsonText(inUtf8(String(text.c_str())));
}

// Every alias of [Registry] with the key and value name the menu reads it from, found by the
// menu's own parsing of each line: the registry calls it makes name them. A key that does not
// exist is made for a moment, so that the value's name shows too.
std::string listAliases() {
    std::string key, valueName;
    bool opened = false;
    sim::setTraceSink([&](const std::string& line) {
        if (line.rfind("RegOpenKeyExW ", 0) == 0) {
            key = field(line, "key");
            opened = line.find("result=0") != std::string::npos;
        } else if (line.rfind("RegQueryValueExW ", 0) == 0) {
            valueName = field(line, "name");
        }
    });
    std::string rows = "[";
    {
        Application app;
        if (app.openSection("Registry")) {
            while (app.nextLine()) {
                String line(app.currentLine);
                key.clear();
                valueName.clear();
                app.parseAliasLine();
                if (app.currentKey.length() == 0) continue;
                std::string name = inUtf8(app.currentKey);
                std::string value = inUtf8(app.currentValue);
                if (!key.empty() && !opened) {
                    sim::createRegistryKey(key);
                    app.currentLine.assign(line);
                    app.parseAliasLine();
                }
                if (rows.size() > 1) rows += ",";
                rows += "{\"name\":" + jsonText(name) + ",\"key\":" + jsonText(key) +
                        ",\"valueName\":" + jsonText(valueName) + ",\"value\":" + jsonText(value) +
                        ",\"defined\":" + (key.empty() ? "false" : "true") + "}";
            }
        }
    }
    sim::setTraceSink(nullptr);
    return rows + "]";
}

void removeTree(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return;
    if (!S_ISDIR(info.st_mode)) {
        std::remove(path.c_str());
        return;
    }
    std::vector<std::string> entries;
    if (DIR* dir = opendir(path.c_str())) {
        while (dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name != "." && name != "..") entries.push_back(path + "/" + name);
        }
        closedir(dir);
    }
    for (const std::string& entry : entries) removeTree(entry);
    rmdir(path.c_str());
}

std::string answerField(CheckContext& context, const std::string& section, const char* key) {
    Answer answer = context.answer(section, key);
    if (!answer.found) return "null";
    return "[" + std::to_string(answer.offset) + "," + std::to_string(answer.line.size()) + "]";
}

int32_t headerEnd(CheckContext& context, const std::string& section) {
    int32_t header = context.headerOffset(section);
    return header >= 0 ? context.lineEnd(header) : -1;
}

std::string range(size_t from, size_t to) {
    return "[" + std::to_string(from) + "," + std::to_string(to) + "]";
}

// The items of a button's Activate value as the menu reads them: how many there are and, for
// each rule (an item with a verb the menu knows and a digit after BUTTON), its bytes [from, to)
// in the file, the bytes to cut to take it out, the offset of the digit, the verb, the button it
// names, its alias, and whether the menu applies it (the walk stops at the first item that ends
// the button's rules, and skips a rule without its alias or whose button does not exist).
std::string rulesOf(const Answer& activate, uint32_t count) {
    std::string rows = "[";
    if (!activate.found || activate.value.empty()) return "{\"count\":0,\"rules\":[]}";
    int32_t items = 0;
    size_t value = static_cast<size_t>(activate.offset) + activate.line.rfind(activate.value);
    String list(activate.value.c_str());
    char* base = list.text();
    char* item = base;
    while (item != nullptr) {
        size_t from = static_cast<size_t>(item - base);
        char* next = cutItem(item);
        ++items;
        std::string raw = item;
        int32_t n = 0;
        String* words = itemWords(item, n);
        ActivateRule rule = readRule(n, words);
        if (rule.stop == RuleStop::none && rule.target > 0) {
            size_t verb = raw.find(words[0].text());
            size_t target = raw.find(words[1].text(), verb + words[0].length()) + 6;
            bool applied = rule.target <= count && rule.alias != nullptr;
            if (rows.size() > 1) rows += ",";
            // Taking the rule out takes a "|" beside it too: the one after it, or before the last.
            size_t to = next != nullptr ? static_cast<size_t>(next - base) : from + raw.size();
            size_t cut = next == nullptr && from > 0 ? from - 1 : from;
            rows += "{\"range\":" + range(value + from, value + from + raw.size()) +
                    ",\"cut\":" + range(value + cut, value + to) +
                    ",\"digit\":" + std::to_string(value + from + target) +
                    ",\"enable\":" + (rule.enable ? "true" : "false") +
                    ",\"target\":" + std::to_string(rule.target) +
                    ",\"alias\":" + jsonFileText(rule.alias != nullptr ? rule.alias : "") +
                    ",\"applied\":" + (applied ? "true" : "false") + "}";
        }
        delete[] words;
        if (rule.stop != RuleStop::none) break;
        item = next;
    }
    return "{\"count\":" + std::to_string(items) + ",\"rules\":" + rows + "]}";
}

const char* const commandNames[] = {"none", "run", "shell", "reinit", "close", "unknown"};

// The first command of an Action value as the menu reads it: {"command", "alias", "file",
// "wait", "argument", "items"}; alias is the part of a RUN program before its "+".
std::string commandOf(const Answer& action) {
    int32_t items = 0;
    std::string command = "none", alias, file, argument;
    bool wait = false;
    String list(action.value.c_str());
    char* item = action.found ? list.text() : nullptr;
    for (char* next = item; next != nullptr; ++items) next = cutItem(next);
    if (item != nullptr) {
        int32_t n = 0;
        String* words = itemWords(item, n);
        Command read = readCommand(n, words);
        command = commandNames[static_cast<int>(read)];
        std::string program = read == Command::run && n >= 2 ? words[1].text() : "";
        int32_t plus = aliasSeparator(program.c_str());
        if (plus >= 0) alias = program.substr(0, static_cast<size_t>(plus));
        file = read == Command::shell && n >= 3 ? words[2].text()
                                                : program.substr(static_cast<size_t>(plus + 1));
        wait = read == Command::run && n >= 3 && equals(words[2], "wait");
        if (read == Command::run && n >= 3 && !wait) argument = words[2].text();
        delete[] words;
    }
    return "{\"command\":\"" + command + "\",\"alias\":" + jsonFileText(alias) +
           ",\"file\":" + jsonFileText(file) + ",\"wait\":" + (wait ? "true" : "false") +
           ",\"argument\":" + jsonFileText(argument) + ",\"items\":" + std::to_string(items) + "}";
}

// Why the menu would not read name as one word of one command: "" when it would.
std::string refusalOf(const std::string& name) {
    if (findChar('|', name.c_str()) >= 0) return "a | ends the command there";
    if (findChar('[', name.c_str()) >= 0) return "a [ ends the button's section there";
    if (aliasSeparator(name.c_str()) >= 0) return "a + would make the part before it an alias";
    if (findChar(' ', name.c_str()) >= 0) return "a space would make it two words";
    return "";
}

// Each picture key of a button's section in the order of the states (normal, hover, pressed,
// disabled): the place of the line that answers it and the value the menu reads.
std::string picturesOf(CheckContext& context, const std::string& section) {
    std::string rows = "[";
    for (int32_t i = 0; i < pictureSlots; ++i) {
        if (i > 0) rows += ",";
        rows += "{\"at\":" + answerField(context, section, pictureKeys[i]) +
                ",\"name\":" + jsonFileText(context.answer(section, pictureKeys[i]).value) + "}";
    }
    return rows + "]";
}

// A button's section as the menu finds it: the "[" of its header, the bytes of the number in
// it, where the section ends (the next "[" or the end of the file), its Left, Top, Tip and
// Activate lines, the rules of its Activate value and its pictures.
std::string buttonPlaces(CheckContext& context, uint32_t n, uint32_t count) {
    std::string section = sectionOfButton(n);
    int32_t header = context.headerOffset(section);
    size_t end = static_cast<size_t>(context.app.sectionEnd);
    size_t number = static_cast<size_t>(header) + 7;
    Answer tip = context.answer(section, tipKey);
    Answer activate = context.answer(section, keys::activate);
    return "{\"headerEnd\":" + std::to_string(headerEnd(context, section)) +
           ",\"header\":" + std::to_string(header) + ",\"end\":" + std::to_string(end) +
           ",\"number\":" + range(number, number + std::to_string(n).size()) +
           ",\"left\":" + answerField(context, section, keys::left) +
           ",\"top\":" + answerField(context, section, keys::top) +
           ",\"tip\":" + jsonFileText(tip.value) +
           ",\"action\":" + answerField(context, section, keys::action) +
           ",\"command\":" + commandOf(context.answer(section, keys::action)) +
           ",\"activate\":" + answerField(context, section, keys::activate) +
           ",\"activateValue\":" + jsonFileText(activate.value) +
           ",\"activateItems\":" + rulesOf(activate, count) +
           ",\"pictures\":" + picturesOf(context, section) + "}";
}

// One place where the file names an alias: the bytes [from, to) of the name.
struct AliasUse {
    std::string name;
    size_t from = 0;
    size_t to = 0;
};

// The items of a value as the menu cuts them: for each, its offset in the value, its bytes and
// its words. use returns false to end the walk.
template <typename Use>
void walkItems(const Answer& answer, Use use) {
    if (!answer.found || answer.value.empty()) return;
    String list(answer.value.c_str());
    char* base = list.text();
    for (char* item = base; item != nullptr;) {
        size_t from = static_cast<size_t>(item - base);
        char* next = cutItem(item);
        std::string raw = item;
        int32_t n = 0;
        String* words = itemWords(item, n);
        bool more = use(from, raw, n, words);
        delete[] words;
        if (!more) break;
        item = next;
    }
}

// Where word number index of an item starts in its bytes.
size_t wordAt(const std::string& raw, String* words, int32_t index) {
    size_t at = 0;
    for (int32_t i = 0; i <= index; ++i) {
        at = raw.find(words[i].text(), i == 0 ? 0 : at + words[i - 1].length());
    }
    return at;
}

// Every place where the buttons the menu builds name an alias: the program of a RUN command
// before its "+", and the third word of an Activate rule, as far as the menu reads the lists.
std::vector<AliasUse> aliasUses(CheckContext& context, uint32_t count) {
    std::vector<AliasUse> uses;
    auto valueAt = [](const Answer& answer) {
        return static_cast<size_t>(answer.offset) + answer.line.rfind(answer.value);
    };
    for (uint32_t n = 1; n <= count; ++n) {
        std::string section = sectionOfButton(n);
        Answer action = context.answer(section, keys::action);
        walkItems(action, [&](size_t from, const std::string& raw, int32_t total, String* words) {
            Command command = readCommand(total, words);
            if (command == Command::endOfList) return false;
            int32_t plus =
                command == Command::run && total >= 2 ? aliasSeparator(words[1].text()) : -1;
            if (plus >= 0) {
                size_t at = valueAt(action) + from + wordAt(raw, words, 1);
                uses.push_back({std::string(words[1].text(), static_cast<size_t>(plus)), at,
                                at + static_cast<size_t>(plus)});
            }
            return true;
        });
        Answer activate = context.answer(section, keys::activate);
        walkItems(activate, [&](size_t from, const std::string& raw, int32_t total, String* words) {
            ActivateRule rule = readRule(total, words);
            if (rule.stop != RuleStop::none) return false;
            if (rule.alias != nullptr) {
                size_t at = valueAt(activate) + from + wordAt(raw, words, 2);
                uses.push_back({rule.alias, at, at + std::string(rule.alias).size()});
            }
            return true;
        });
    }
    return uses;
}

// The lines of [Registry] as the menu reads them: each alias with its line [offset, length],
// the bytes of its name, the text after "=" and the places that name it. A name defined twice
// is found at its first line, so its uses belong there.
std::string registryOf(CheckContext& context, uint32_t count) {
    std::vector<AliasUse> uses = aliasUses(context, count);
    std::vector<std::string> names;
    std::string rows = "[";
    for (const SectionLine& line : context.sectionLines("Registry")) {
        context.app.currentLine.assign(line.text.c_str());
        context.app.parseAliasLine();
        std::string name = context.app.currentKey.length() > 0 ? context.app.currentKey.text() : "";
        if (name.empty()) continue;
        size_t at = line.text.find(name);
        size_t equalsSign = line.text.find('=');
        std::string path =
            equalsSign == std::string::npos ? "" : trimmed(line.text.substr(equalsSign + 1));
        bool first = std::none_of(names.begin(), names.end(), [&](const std::string& earlier) {
            return equals(String(earlier.c_str()), name.c_str());
        });
        names.push_back(name);
        std::string places = "[";
        for (const AliasUse& use : uses) {
            if (!first || !equals(String(use.name.c_str()), name.c_str())) continue;
            if (places.size() > 1) places += ",";
            places += range(use.from, use.to);
        }
        if (rows.size() > 1) rows += ",";
        size_t offset = static_cast<size_t>(line.offset);
        rows += "{\"name\":" + jsonFileText(name) + ",\"path\":" + jsonFileText(path) +
                ",\"line\":[" + std::to_string(offset) + "," + std::to_string(line.text.size()) +
                "],\"nameRange\":" + range(offset + at, offset + at + name.size()) +
                ",\"uses\":" + places + "]}";
    }
    return "{\"headerEnd\":" + std::to_string(headerEnd(context, "Registry")) +
           ",\"aliases\":" + rows + "]}";
}

// Where the lines are that the page rewrites, as [offset, length] in bytes, and where each
// section's header line ends: BackGround and Buttons of [Main]; Left and Top of each button;
// the number a new button takes, the first above Buttons whose section does not exist; and the
// AppName the menu reads (null without one), which the page writes into autorun.inf.
std::string layoutOf(const Options& options) {
    Application app;
    std::string bytes;
    if (app.configText != nullptr) bytes = app.configText;
    CheckContext context(options, app, bytes);
    Answer appName = context.answer("Main", keys::appName);
    Answer background = context.answer("Main", keys::background);
    Answer showCaption = context.answer("Main", keys::showCaption);
    Answer icon = context.answer("Main", keys::icon);
    uint32_t next = context.buttonCount() + 1;
    while (context.headerOffset(sectionOfButton(next)) >= 0) ++next;
    std::string rows =
        "{\"main\":{\"headerEnd\":" + std::to_string(headerEnd(context, "Main")) +
        ",\"background\":" + answerField(context, "Main", keys::background) +
        ",\"backgroundName\":" + jsonFileText(background.value) +
        ",\"buttons\":" + answerField(context, "Main", keys::buttons) +
        ",\"appName\":" + (appName.found ? jsonFileText(appName.value) : "null") +
        ",\"appNameLine\":" + answerField(context, "Main", keys::appName) +
        ",\"showCaption\":" + answerField(context, "Main", keys::showCaption) +
        ",\"caption\":" + (captionWanted(String(showCaption.value.c_str())) ? "true" : "false") +
        ",\"icon\":" + answerField(context, "Main", keys::icon) +
        ",\"iconValue\":" + jsonFileText(icon.value) + "},\"registry\":" +
        registryOf(context, std::min<uint32_t>(context.buttonCount(), maxButtons)) +
        ",\"next\":" + std::to_string(next) + ",\"buttons\":[";
    uint32_t count = std::min<uint32_t>(context.buttonCount(), maxButtons);
    for (uint32_t n = 1; n <= count; ++n) {
        if (n > 1) rows += ",";
        rows += buttonPlaces(context, n, count);
    }
    return rows + "]}";
}

const char* hand(std::string text) {
    designer().reply = std::move(text);
    return designer().reply.c_str();
}

}  // namespace

extern "C" {

// Empties the menu folder.
EMSCRIPTEN_KEEPALIVE void designer_clear_folder() {
    removeTree(menuFolder);
    mkdir(menuFolder, 0755);
}

// Puts a file into the menu folder; name is relative, with "/" between folders. 0 when written.
EMSCRIPTEN_KEEPALIVE int designer_put_file(const char* name, const uint8_t* data, int size) {
    std::string path = menuFolder;
    mkdir(menuFolder, 0755);
    std::string rest = name;
    size_t slash;
    while ((slash = rest.find('/')) != std::string::npos) {
        path += "/" + rest.substr(0, slash);
        mkdir(path.c_str(), 0755);
        rest = rest.substr(slash + 1);
    }
    path += "/" + rest;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return 1;
    size_t written = size > 0 ? std::fwrite(data, 1, static_cast<size_t>(size), file) : 0;
    return std::fclose(file) == 0 && written == static_cast<size_t>(size > 0 ? size : 0) ? 0 : 1;
}

// Sets a text value below HKEY_CURRENT_USER; an empty value removes it ("not installed"). It
// holds for this run and every later one.
EMSCRIPTEN_KEEPALIVE void designer_set_registry(const char* key, const char* name,
                                                const char* value) {
    Event edit;
    edit.kind = value[0] != '\0' ? EventKind::registrySet : EventKind::registryDelete;
    edit.key = key;
    edit.name = name;
    edit.value = value;
    designer().registryEdits.push_back(edit);
    if (designer().running) designer().pending.push_back([edit] { deliverEvent(edit); });
}

// Loads a registry file as exported; the values set on the page before are dropped. Returns ""
// or the reason it cannot be read.
EMSCRIPTEN_KEEPALIVE const char* designer_load_registry(const char* text, int size) {
    std::string content(text, static_cast<size_t>(size));
    std::string error;
    sim::reset();
    if (!sim::loadRegistryText(content, "registry.reg", error)) return hand(error);
    designer().registryFile = content;
    designer().registryEdits.clear();
    return hand("");
}

// The machine's ANSI code page, the encoding of an autorun.ini without byte-order mark and of
// 8-bit .reg files, from the next start on. 0 when the machine can take it.
EMSCRIPTEN_KEEPALIVE int designer_set_code_page(int codePage) {
    if (!sim::setCodePage(codePage)) return 1;
    designer().options.codePage = codePage;
    return 0;
}

// 1 when the size bytes at data are read as UTF-8, for they start with the byte-order mark.
EMSCRIPTEN_KEEPALIVE int designer_is_utf8(const char* data, int size) {
    return startsWithByteOrderMark(data, size) ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE void designer_set_screen(int width, int height, int caption, int frameX,
                                              int frameY) {
    Options& o = designer().options;
    o.screenWidth = width;
    o.screenHeight = height;
    o.captionHeight = caption;
    o.frameWidth = frameX;
    o.frameHeight = frameY;
}

// Runs the menu as play does until it ends or the page stops it; called through Asyncify, so
// the page gets control back whenever the menu waits for input or for a program.
EMSCRIPTEN_KEEPALIVE void designer_run() {
    Designer& d = designer();
    d.running = true;
    d.stopping = false;
    d.pending.clear();
    d.trace.clear();
    prepare();
    d.aliases = listAliases();
    prepare();
    d.findings = collectFindings(d.options);
    d.layout = layoutOf(d.options);
    sim::clearTrace();
    sim::setWaitHook([](int32_t) {
        if (!designer().stopping) awaitWaitSlice();
    });
    runMenu(nextInput, [](const std::string& line) {
        designer().trace += line;
        designer().trace += '\n';
    });
    sim::setWaitHook(nullptr);
    d.running = false;
}

// Ends the run: a program being waited for ends, and the menu is closed as after play's script.
EMSCRIPTEN_KEEPALIVE void designer_stop() {
    designer().stopping = true;
    sim::endPrograms();
}

EMSCRIPTEN_KEEPALIVE void designer_end_program() {
    sim::endPrograms();
}

EMSCRIPTEN_KEEPALIVE void designer_move(int x, int y) {
    designer().pending.push_back([x, y] { sim::move(x, y); });
}

// The left button goes down; the menu takes a click as the button goes down.
EMSCRIPTEN_KEEPALIVE void designer_press(int x, int y) {
    designer().pending.push_back([x, y] { sim::press(x, y); });
}

EMSCRIPTEN_KEEPALIVE void designer_release(int x, int y) {
    designer().pending.push_back([x, y] { sim::release(x, y); });
}

// The second press of a double click; the release follows as for any press.
EMSCRIPTEN_KEEPALIVE void designer_press_again(int x, int y) {
    designer().pending.push_back([x, y] { sim::pressAgain(x, y); });
}

// A key of the keyboard goes down (again, while held, when repeat) or comes up; shift and alt
// say whether those are held with it. virtualKey is Windows' code of the key.
EMSCRIPTEN_KEEPALIVE void designer_key(int virtualKey, int down, int repeat, int shift, int alt) {
    designer().pending.push_back([=] {
        sim::key(static_cast<uint32_t>(virtualKey), down != 0, repeat != 0, shift != 0, alt != 0);
    });
}

// Posts a message to the menu's window, such as 1025, which rebuilds the menu.
EMSCRIPTEN_KEEPALIVE void designer_message(int message) {
    designer().pending.push_back([message] { sim::postToWindow(static_cast<uint32_t>(message)); });
}

// The client area as RGBA bytes, row by row; designer_window says its size.
EMSCRIPTEN_KEEPALIVE const uint8_t* designer_pixels() {
    sim::Image image = sim::clientImage(sim::mainWindow());
    std::vector<uint8_t>& rgba = designer().rgba;
    rgba.resize(image.pixels.size() * 4);
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        uint32_t p = image.pixels[i];
        rgba[i * 4] = static_cast<uint8_t>(p >> 16);
        rgba[i * 4 + 1] = static_cast<uint8_t>(p >> 8);
        rgba[i * 4 + 2] = static_cast<uint8_t>(p);
        rgba[i * 4 + 3] = 255;
    }
    return rgba.data();
}

// The client area as RGBA bytes, row by row, kept from call to call, and the rectangle that holds
// every pixel changed since the last call: [width, height, left, top, right, bottom, address of
// the bytes]. The rectangle is empty when nothing changed and all of it when the size changed.
// The page draws that rectangle only, which spares it converting and copying whole frames.
EMSCRIPTEN_KEEPALIVE const int32_t* designer_frame() {
    Designer& d = designer();
    int32_t width = 0, height = 0;
    static const std::vector<uint32_t> none;
    const std::vector<uint32_t>* shown = sim::clientPixels(sim::mainWindow(), width, height);
    const std::vector<uint32_t>& pixels = shown != nullptr ? *shown : none;
    if (shown == nullptr) width = height = 0;
    int32_t* header = d.frameHeader;
    bool resized = header[0] != width || header[1] != height;
    if (resized) {
        d.frame.assign(pixels.size(), 0);
        d.shown.assign(pixels.size(), 0);
    }
    int32_t left = width, top = height, right = 0, bottom = 0;
    for (int32_t y = 0; y < height; ++y) {
        size_t row = static_cast<size_t>(y) * static_cast<size_t>(width);
        const uint32_t* now = pixels.data() + row;
        uint32_t* before = d.shown.data() + row;
        for (int32_t x = 0; x < width; ++x) {
            uint32_t p = now[x];
            if (p == before[x] && !resized) continue;
            before[x] = p;
            // Red, green, blue and an opaque alpha in memory order, on little-endian wasm.
            d.frame[row + x] =
                0xff000000u | (p & 0xff00u) | ((p >> 16) & 0xffu) | ((p & 0xffu) << 16);
            left = std::min(left, x);
            right = std::max(right, x + 1);
            top = std::min(top, y);
            bottom = y + 1;
        }
    }
    if (right == 0) left = top = right = bottom = 0;
    auto address = static_cast<int32_t>(reinterpret_cast<intptr_t>(d.frame.data()));
    int32_t values[] = {width, height, left, top, right, bottom, address};
    std::copy(std::begin(values), std::end(values), header);
    return header;
}

// {"exists","width","height","title","caption"}: the main window as it stands.
EMSCRIPTEN_KEEPALIVE const char* designer_window() {
    sim::WindowInfo info = sim::windowInfo(sim::mainWindow());
    bool caption = info.window.bottom - info.window.top > info.client.bottom;
    return hand("{\"exists\":" + std::string(info.exists ? "true" : "false") +
                ",\"width\":" + std::to_string(info.client.right) +
                ",\"height\":" + std::to_string(info.client.bottom) +
                ",\"title\":" + (info.title ? jsonText(*info.title) : "null") +
                ",\"caption\":" + (caption ? "true" : "false") + "}");
}

// The trace lines made since the last call.
EMSCRIPTEN_KEEPALIVE const char* designer_trace() {
    std::string lines;
    lines.swap(designer().trace);
    return hand(std::move(lines));
}

// Each button's rectangle, state (0 normal, 1 hover, 2 pressed, 3 disabled) and flags (1 hidden,
// 2 enabled), as numbers: [count, then left, top, right, bottom, state, flags of each button].
// Numbers rather than JSON, as the page reads them after every event.
EMSCRIPTEN_KEEPALIVE const int32_t* designer_buttons() {
    std::vector<int32_t>& rows = designer().buttons;
    Application* app = designer().running ? Application::instance() : nullptr;
    uint32_t count = app != nullptr && app->buttons != nullptr ? app->buttonCount : 0;
    rows.assign(1, static_cast<int32_t>(count));
    for (uint32_t i = 0; i < count; ++i) {
        const MenuButton& b = app->buttons[i];
        rows.insert(rows.end(),
                    {b.rect.left, b.rect.top, b.rect.right, b.rect.bottom,
                     static_cast<int32_t>(b.state), (b.hidden ? 1 : 0) | (b.enabled ? 2 : 0)});
    }
    return rows.data();
}

// The text of the tooltip the menu's tooltip control shows now, empty for none.
EMSCRIPTEN_KEEPALIVE const char* designer_tooltip() {
    return hand(designer().running ? sim::shownTooltip() : std::string());
}

// The findings of check on the files of the last start: [{"line","severity","text"}].
EMSCRIPTEN_KEEPALIVE const char* designer_findings() {
    std::string rows = "[";
    for (const Finding& f : designer().findings) {
        if (rows.size() > 1) rows += ",";
        rows += "{\"line\":" + std::to_string(f.line) + ",\"severity\":\"" +
                (f.severity == Severity::error ? "error" : "warning") +
                "\",\"text\":" + jsonText(shownText(f)) + "}";
    }
    return hand(rows + "]");
}

// The aliases of [Registry] at the last start: [{"name","key","valueName","value","defined"}].
EMSCRIPTEN_KEEPALIVE const char* designer_aliases() {
    return hand(designer().aliases);
}

// The Action value of one command: "RUN", "SHELL", "REINIT" or "CLOSE" (verb), a program or
// document of the menu's folder (file), for RUN the alias it is found through (may be empty)
// and "wait" or an argument (extra). {"value"} or {"refused"} with the reason.
EMSCRIPTEN_KEEPALIVE const char* designer_action(const char* verb, const char* alias,
                                                 const char* file, const char* extra) {
    std::string command = verb;
    if (command == "REINIT" || command == "CLOSE")
        return hand("{\"value\":" + jsonText(command) + "}");
    for (const std::string& name : {std::string(alias), std::string(file), std::string(extra)}) {
        std::string refusal = name.empty() ? "" : refusalOf(name);
        if (!refusal.empty())
            return hand("{\"refused\":" +
                        jsonText("\"" + name + "\" cannot stand in an Action: " + refusal + ".") +
                        "}");
    }
    if (file[0] == '\0') return hand("{\"refused\":\"Choose a file of the folder.\"}");
    std::string value = command == "SHELL"
                            ? "SHELL open " + std::string(file) + " .\\"
                            : "RUN " + (alias[0] != '\0' ? std::string(alias) + "+" : "") + file;
    if (command != "SHELL" && extra[0] != '\0') value += " " + std::string(extra);
    return hand("{\"value\":" + jsonText(value) + "}");
}

// value (an Activate value) with one more rule at its end: button n is enabled (or disabled)
// when alias has a value. {"value"} or {"refused"} with the reason, also when an earlier item
// would end the rules before the new one.
EMSCRIPTEN_KEEPALIVE const char* designer_rule(const char* value, int enable, int n,
                                               const char* alias) {
    auto refused = [](const std::string& why) {
        return hand("{\"refused\":" + jsonText(why) + "}");
    };
    if (n < 1 || n > 9)
        return refused(
            "A rule can name buttons 1 to 9 only: the menu reads one digit after BUTTON.");
    std::string refusal = alias[0] != '\0' ? refusalOf(alias) : "choose an alias of [Registry]";
    if (!refusal.empty()) return refused("No rule was added: " + refusal + ".");
    std::string item = std::string(enable != 0 ? "ENABLE" : "DISABLE") + " BUTTON" +
                       std::to_string(n) + " " + alias;
    std::string rules = value[0] != '\0' ? std::string(value) + "|" + item : item;
    String list(rules.c_str());
    for (char* next = list.text(); next != nullptr;) {
        char* at = next;
        next = cutItem(at);
        std::string text = at;
        int32_t count = 0;
        String* words = itemWords(at, count);
        ActivateRule rule = readRule(count, words);
        delete[] words;
        if (rule.stop != RuleStop::none && next != nullptr)
            return refused("No rule was added: the menu stops reading this button's rules at \"" +
                           trimmed(text) + "\".");
    }
    return hand("{\"value\":" + jsonText(rules) + "}");
}

// The values of [Main] that give the window title appName, a caption or none, and the icon
// file icon of the folder (empty: the line stays as it is): {"keys": [[key, value], ...]} or
// {"refused"} with the reason.
EMSCRIPTEN_KEEPALIVE const char* designer_main_keys(const char* appName, int caption,
                                                    const char* icon) {
    for (const char* text : {appName, icon}) {
        if (findChar('[', text) >= 0)
            return hand("{\"refused\":" +
                        jsonText("\"" + std::string(text) +
                                 "\" cannot stand in [Main]: a [ ends the section there.") +
                        "}");
    }
    // Any other value than 1 gives no caption; 0 says so plainly.
    std::string rows = "[[\"AppName\"," + jsonText(trimmed(appName)) + "],[\"ShowCaption\",\"" +
                       (caption != 0 ? "1" : "0") + "\"]";
    if (icon[0] != '\0') rows += ",[\"Icon\"," + jsonText(icon) + "]";
    return hand("{\"keys\":" + rows + "]}");
}

// The line of [Registry] that defines the alias name as the registry value path (below
// HKEY_CURRENT_USER\Software, the value's name after the last backslash): {"line", "name"} or
// {"refused"} with the reason. others: the names of the other aliases, one a line, none of which
// it may take, as the menu finds only the first of two.
EMSCRIPTEN_KEEPALIVE const char* designer_alias_line(const char* name, const char* path,
                                                     const char* others) {
    auto refused = [&](const std::string& why) {
        return hand("{\"refused\":" +
                    jsonText("No alias \"" + std::string(name) + "\": " + why + ".") + "}");
    };
    std::string alias = trimmed(name);
    if (alias.empty()) return refused("give it a name");
    if (alias[0] == ';') return refused("a line that starts with ; is a comment");
    if (findChar('=', alias.c_str()) >= 0) return refused("an = ends the name there");
    std::string refusal = refusalOf(alias);
    if (!refusal.empty()) return refused(refusal);
    std::string value = trimmed(path);
    if (value.empty()) return refused("say which registry value it reads");
    if (findChar('[', value.c_str()) >= 0)
        return refused("a [ in its value ends the section there");
    std::string list = others;
    for (size_t start = 0; start < list.size();) {
        size_t end = list.find('\n', start);
        if (end == std::string::npos) end = list.size();
        if (equals(String(list.substr(start, end - start).c_str()), alias.c_str()))
            return refused("an alias of that name is in [Registry] already");
        start = end + 1;
    }
    return hand("{\"line\":" + jsonText(alias + "=" + value) + ",\"name\":" + jsonText(alias) +
                "}");
}

// {"main": {"headerEnd", "background", "backgroundName", "buttons", "appName", "appNameLine",
// "showCaption", "caption", "icon", "iconValue"}, "registry": {"headerEnd", "aliases": [{"name",
// "path", "line", "nameRange", "uses"}]}, "next", "buttons": [{"headerEnd", "header", "end",
// "number", "left", "top", "tip", "activate", "activateItems", "pictures"}]}: the places of the
// lines the page rewrites, the number of a new button, each alias with the places that name it,
// and each button's rules and the pictures the menu reads.
EMSCRIPTEN_KEEPALIVE const char* designer_layout() {
    return hand(designer().layout);
}

}  // extern "C"
