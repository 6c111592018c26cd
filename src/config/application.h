// The one program-wide state object: configuration text, aliases, buttons, window and scratch.
#pragma once

#include <cstdint>
#include <cstdlib>

#include "config/alias_table.h"
#include "config/text_string.h"
#include "platform/handles.h"
#include "platform/window_system.h"
#include "shell/main_window.h"

namespace autorun {

class MenuButton;

// The menu's own message: rebuild the buttons and read the registry again.
constexpr uint32_t reinitialiseMessage = wm::user + 1;
// The menu's own message: press the button whose index (from 0) is wParam, as a click does.
constexpr uint32_t pressMessage = wm::user + 2;

// The most buttons a menu builds; a larger count builds none, as one that cannot be allocated.
constexpr uint32_t maxButtons = 1024;

class Application {
  public:
    // Fixes the base directory from the current directory and reads autorun.ini whole.
    Application();
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The instance the window procedure works on; set by construction.
    static Application* instance();

    // A file of the menu's folder: the base directory followed by name, a text of the file
    // (an absolute name is not recognised), in UTF-8 in concat's scratch String.
    const String& inFolder(const char* name) const;

    // Configuration lookup: the answer is left in currentValue.
    void lookup(const char* section, const char* key);
    // The same lookup; returns where the answering line starts in configText, or -1.
    int32_t lookupLine(const char* section, const char* key);
    bool openSection(const char* name);
    bool nextLine();
    bool matchKey();

    // Registry aliases.
    void reloadAliases();
    void parseAliasLine();

    // Action commands of a button (index from 0).
    void runAction(int32_t index);
    void runCommand(uint32_t wordTotal, String* words);
    void shellCommand(uint32_t wordTotal, String* words);
    void postReinit();
    void postClose();

    // The button set.
    void reinitialise();
    void createButtons(uint32_t count);
    void applyActivateRules();
    void handleClick(intptr_t position);
    void handlePointerMove(intptr_t position);
    void redrawAll();

    // The keyboard: false for a key the menu leaves to the system.
    bool handleKey(uintptr_t virtualKey, intptr_t keyFlags);

    // The buttons' names: the tooltip tools, the accessible object and the press it asks for.
    void rebuildTooltips();
    intptr_t answerGetObject(WindowHandle window, uintptr_t wParam, intptr_t lParam);
    void pressFromOutside(uintptr_t index);
    // Children of the accessible object are the shown buttons, counted from 1: how many come
    // before the button of this index, and the button index of a child (-1 for none).
    uint32_t shownButtonsBefore(uint32_t index) const;
    int32_t buttonOfChild(uint32_t child) const;

    char* configText = nullptr;
    MenuButton* buttons = nullptr;
    AliasTable aliases;
    WindowProcedure windowProcedure = nullptr;
    String baseDirectory;
    String currentKey;
    String currentValue;
    int32_t sectionCursor = 0;
    int32_t sectionEnd = 0;
    String currentLine;
    MainWindow mainWindow;
    uint32_t buttonCount = 0;

    // The button (index from 0) the keys act on, -1 before the first key, and whether it shows
    // as focused; the pointer ends the showing, not the memory of the button.
    int32_t focusIndex = -1;
    bool focusShown = false;
    intptr_t lastPointer = 0;
    bool pointerKnown = false;

    // Whether the tooltip control exists, and whether a screen reader has asked for the
    // accessible object, after which focus moves are announced.
    bool tooltipsMade = false;
    bool accessibilityClient = false;

  private:
    // Where the headers of the sections the menu itself reads first occur: [Main], [Registry]
    // and [Button1] to [Button1024]; -1 where there is none. Found in one pass over the text,
    // so that a large file does not make every lookup search all of it again.
    static constexpr uint32_t indexedSections = 2 + maxButtons;
    int32_t sectionIndex[indexedSections] = {};
    bool sectionIndexBuilt = false;
    void buildSectionIndex();

    void readBaseDirectory();
    void loadConfiguration();
    void destroyButtons();
    void applyRules(char* rules);
    void pressButton(uint32_t index);
    void moveFocus(bool forward);
    void showFocus(uint32_t index);
    void keepFocus();
    void waitForProgram(ProcessHandle process);
};

// The keys of a button's pictures, in the order of its states: normal, hover, pressed, disabled.
constexpr int32_t pictureSlots = 4;
extern const char* const pictureKeys[pictureSlots];
// The key of a button's name.
constexpr const char* tipKey = "Tip";
// The other keys the menu reads: in [Main], then in a button's section.
namespace keys {
constexpr const char* icon = "Icon";
constexpr const char* showCaption = "ShowCaption";
constexpr const char* appName = "AppName";
constexpr const char* background = "BackGround";
constexpr const char* buttons = "Buttons";
constexpr const char* top = "Top";
constexpr const char* left = "Left";
constexpr const char* action = "Action";
constexpr const char* activate = "Activate";
}  // namespace keys

// The section of button number (counted from 1): "Button" followed by the number in decimal.
String buttonSection(uint32_t number);

// The n of the section name Button<n> (length bytes at name, n written from 1 without leading
// zeros); 0 for every other name.
uint32_t buttonNumberOf(const char* name, int32_t length);

// A number as the menu reads it (the atoi rule: blanks, a sign, the digits up to the first
// other byte); 0 for a null text or one without digits.
inline int32_t readNumber(const char* text) {
    return text != nullptr ? std::atoi(text) : 0;
}

// The size of an open file in bytes, its position unchanged; 0 for a null file.
int32_t fileSize(FileHandle file);

// The window procedure of the menu's window class.
intptr_t windowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// Dispatches messages until the quit message (true) or until GetMessage fails (false).
bool runMessageLoop();

// The program: registers the class, shows the menu and runs the message loop. Returns 0 once the
// menu is closed, 1 when its class or window cannot be had or its message loop fails.
int32_t WinMain(InstanceHandle instance, InstanceHandle previousInstance, char* commandLine,
                int32_t showCommand);

}  // namespace autorun
