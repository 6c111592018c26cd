// Creating the window so that its client area is exactly the background, and drawing it.
#include "shell/main_window.h"

#include "platform/window_system.h"

namespace autorun {

namespace {

// WS_SYSMENU | WS_MINIMIZEBOX on an overlapped window: caption and border, no sizing.
constexpr uint32_t captionStyle = ws::sysMenu | ws::minimizeBox;

}  // namespace

MainWindow::~MainWindow() {
    releaseCanvas();
    if (windowDC != nullptr) {
        platform::releaseDC(hwnd, windowDC);
        windowDC = nullptr;
    }
}

void MainWindow::setup(const String* names, uint32_t nameCount, const String& windowTitle,
                       bool caption) {
    load(nameCount, names);
    title.assign(windowTitle);
    showCaption = caption;
}

int32_t MainWindow::backgroundWidth() const {
    return count > 0 ? records[0].header.biWidth : 0;
}

int32_t MainWindow::backgroundHeight() const {
    return count > 0 && records[0].header.biWidth != 0 ? records[0].height() : 0;
}

void MainWindow::create(const char* className, int32_t x, int32_t y, InstanceHandle instance) {
    int32_t w = backgroundWidth();
    int32_t h = backgroundHeight();
    uint32_t style = ws::popup;
    int32_t captionHeight = 0;
    int32_t frameWidth = 0;
    int32_t frameHeight = 0;
    if (showCaption) {
        style = captionStyle;
        captionHeight = platform::getSystemMetrics(metricCaptionHeight);
        frameWidth = platform::getSystemMetrics(metricFrameWidth);
        frameHeight = platform::getSystemMetrics(metricFrameHeight);
    }
    rect.left = x - frameWidth;
    rect.top = y - frameHeight - captionHeight;
    rect.right = x + w + frameWidth;
    rect.bottom = y + h + frameHeight;
    hwnd = platform::createWindow(className, title.text(), style, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, instance);
    platform::showWindow(hwnd, showCommandShow);
    platform::updateWindow(hwnd);

    Rect client = platform::getClientRect(hwnd);
    rect = platform::getWindowRect(hwnd);
    int32_t cx = (rect.right - rect.left) + w - (client.right - client.left);
    int32_t cy = (rect.bottom - rect.top) + h - (client.bottom - client.top);
    platform::setWindowSize(hwnd, cx, cy);

    rect = Rect{0, 0, w, h};
    // Without a window, GetDC would hand out the whole screen's context to draw on.
    if (hwnd != nullptr) windowDC = platform::getDC(hwnd);
    if (count > 0) records[0].realize(windowDC);
}

void MainWindow::drawBackground() {
    drawBackground(windowDC);
}

void MainWindow::drawBackground(DeviceContext target) {
    draw(target, rect.left, rect.top, 0);
}

void MainWindow::releaseCanvas() {
    // The bitmap is selected into the context, so the context goes first.
    if (canvasDC != nullptr) platform::deleteDC(canvasDC);
    if (canvasBitmap != nullptr) platform::deleteBitmap(canvasBitmap);
    canvasDC = nullptr;
    canvasBitmap = nullptr;
    canvasWidth = canvasHeight = 0;
}

DeviceContext MainWindow::beginComposing() {
    int32_t w = backgroundWidth();
    int32_t h = backgroundHeight();
    if (windowDC == nullptr || w <= 0 || h <= 0) return windowDC;
    if (canvasDC != nullptr && w == canvasWidth && h == canvasHeight) return canvasDC;
    releaseCanvas();
    // A very large background, or little memory, leaves no room for a copy: the redraw then
    // draws straight onto the window, where each picture shows as it lands.
    canvasBitmap = platform::createCompatibleBitmap(windowDC, w, h);
    if (canvasBitmap == nullptr) return windowDC;
    canvasDC = platform::createCompatibleDC(windowDC);
    if (canvasDC == nullptr) {
        releaseCanvas();
        return windowDC;
    }
    platform::selectBitmap(canvasDC, canvasBitmap);
    canvasWidth = w;
    canvasHeight = h;
    return canvasDC;
}

void MainWindow::finishComposing(DeviceContext canvas) {
    if (canvas == nullptr || canvas != canvasDC) return;
    platform::bitBlt(windowDC, 0, 0, canvasWidth, canvasHeight, canvasDC);
}

}  // namespace autorun
