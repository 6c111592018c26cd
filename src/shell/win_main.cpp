// The running program: window class, centred window, the menu, the message loop and the procedure.
#include "config/application.h"
#include "config/text_encoding.h"
#include "platform/accessibility.h"
#include "platform/drawing.h"
#include "platform/window_system.h"

namespace autorun {

namespace {

const char* const className = "AutoRun_Kestu";

// A menu that never showed, or whose loop broke, must not tell its starter that all went well.
const int32_t exitFailed = 1;

// Integer halving towards minus infinity, as the centring needs for windows wider than the screen.
int32_t halfDown(int32_t value) {
    return value >= 0 ? value / 2 : -((-value + 1) / 2);
}

}  // namespace

int32_t WinMain(InstanceHandle instance, InstanceHandle, char*, int32_t) {
    Application& app = *Application::instance();

    app.lookup("Main", keys::icon);
    app.currentValue.assign(app.inFolder(app.currentValue.text()));
    IconHandle icon = platform::loadIconFromFile(instance, app.currentValue.text());

    WindowClass windowClass;
    windowClass.style = classDoubleClicks;
    windowClass.procedure = app.windowProcedure;
    windowClass.instance = instance;
    windowClass.icon = icon;
    windowClass.cursor = platform::loadArrowCursor();
    windowClass.background = platform::getSysColorBrush(colorAppWorkspace);
    windowClass.className = className;
    if (!platform::registerClass(windowClass)) return exitFailed;

    app.lookup("Main", keys::showCaption);
    bool caption = captionWanted(app.currentValue);
    app.lookup("Main", keys::appName);
    String title(systemText(app.currentValue.text()));
    app.lookup("Main", keys::background);
    String background(systemText(app.currentValue.text()));
    app.mainWindow.setup(&background, 1, title, caption);

    DeviceContext screen = platform::getDC(nullptr);
    int32_t screenWidth = platform::getDeviceCaps(screen, capsHorizontalResolution);
    int32_t screenHeight = platform::getDeviceCaps(screen, capsVerticalResolution);
    platform::releaseDC(nullptr, screen);

    int32_t captionHeight = platform::getSystemMetrics(metricCaptionHeight);
    int32_t frameWidth = platform::getSystemMetrics(metricFrameWidth);
    int32_t frameHeight = platform::getSystemMetrics(metricFrameHeight);
    if (!caption) captionHeight = frameWidth = frameHeight = 0;

    int32_t w = app.mainWindow.backgroundWidth();
    int32_t h = app.mainWindow.backgroundHeight();
    int32_t x = frameWidth + halfDown(screenWidth - w - 2 * frameWidth);
    int32_t y =
        frameHeight + captionHeight + halfDown(screenHeight - h - captionHeight - 2 * frameHeight);

    app.mainWindow.create(className, x, y, instance);
    // Without a window nothing could ever end the loop: the process would wait unseen for ever.
    bool closed = false;
    if (app.mainWindow.hwnd != nullptr) {
        app.mainWindow.drawBackground();
        app.reinitialise();
        closed = runMessageLoop();
        if (app.accessibilityClient) platform::leaveAccessibility();
    }

    platform::unregisterClass(className, instance);
    return closed ? 0 : exitFailed;
}

intptr_t windowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    Application* app = Application::instance();
    if (app == nullptr) return platform::defWindowProc(window, message, wParam, lParam);
    switch (message) {
        case wm::destroy:
            // Readers must not reach a menu without its window.
            platform::disconnectAccessibleObject();
            platform::postQuitMessage(0);
            return 0;
        case wm::eraseBackground:
            app->redrawAll();
            return 0;
        case wm::mouseMove:
            app->handlePointerMove(lParam);
            return 0;
        case wm::leftButtonDown:
            app->handleClick(lParam);
            return 0;
        case wm::keyDown:
            if (!app->handleKey(wParam, lParam))
                return platform::defWindowProc(window, message, wParam, lParam);
            return 0;
        case reinitialiseMessage:
            app->reinitialise();
            return 0;
        case pressMessage:
            app->pressFromOutside(wParam);
            return 0;
        case wm::getObject:
            return app->answerGetObject(window, wParam, lParam);
        default:
            return platform::defWindowProc(window, message, wParam, lParam);
    }
}

}  // namespace autorun
