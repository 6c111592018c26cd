// Opaque handles and plain records that the platform operations pass; no system type leaks out.
#pragma once

#include <cstdint>

namespace autorun {

struct PlatformInstance;
struct PlatformWindow;
struct PlatformDeviceContext;
struct PlatformBitmap;
struct PlatformIcon;
struct PlatformCursor;
struct PlatformBrush;
struct PlatformProcess;
struct PlatformFile;

using InstanceHandle = PlatformInstance*;
using WindowHandle = PlatformWindow*;
using DeviceContext = PlatformDeviceContext*;
using BitmapHandle = PlatformBitmap*;
using IconHandle = PlatformIcon*;
using CursorHandle = PlatformCursor*;
using BrushHandle = PlatformBrush*;
using ProcessHandle = PlatformProcess*;
using FileHandle = PlatformFile*;

// Client or screen pixels; right and bottom lie one past the last pixel.
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

}  // namespace autorun
