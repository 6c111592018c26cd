// The menu's one top-level window, owner of the background picture and the kept device context.
#pragma once

#include <cstdint>

#include "images/image_set.h"
#include "platform/window_system.h"

namespace autorun {

// Whether the ShowCaption value gives the window a caption: only the text 1 does.
inline bool captionWanted(const String& showCaption) {
    return equals(showCaption, "1");
}

class MainWindow : public ImageSet {
  public:
    MainWindow() = default;
    ~MainWindow() override;

    // Loads the background and keeps the title and the caption flag; creates no window.
    void setup(const String* names, uint32_t nameCount, const String& windowTitle, bool caption);
    // Creates and shows the window with its client area's corner at (x, y), fits the client
    // area to the background, keeps the window's device context and realizes the background.
    void create(const char* className, int32_t x, int32_t y, InstanceHandle instance);
    // Draws the background at the client origin, into the window or into target.
    void drawBackground();
    void drawBackground(DeviceContext target);

    // Where a whole-window redraw composes its picture: an off-screen copy of the client area,
    // made on first use and remade when the background's size changes; the window itself when
    // none can be had.
    DeviceContext beginComposing();
    // Shows the composed picture with one block transfer to the window.
    void finishComposing(DeviceContext canvas);

    // The background's size; an absent background is 0 by 0.
    int32_t backgroundWidth() const;
    int32_t backgroundHeight() const;

    WindowHandle hwnd = nullptr;
    DeviceContext windowDC = nullptr;
    Rect rect;
    bool showCaption = false;
    String title;
    DeviceContext canvasDC = nullptr;
    BitmapHandle canvasBitmap = nullptr;
    int32_t canvasWidth = 0;
    int32_t canvasHeight = 0;

  private:
    void releaseCanvas();
};

}  // namespace autorun
