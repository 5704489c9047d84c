#pragma once
// Owners of the window's GDI and shell objects, on the pattern of the kernel handle owners.

#include "platform/unique_handle_windows.h"

#include <commctrl.h>

namespace orvane {

template <typename T>
struct GdiObjectTraits {
    using Handle = T;
    static Handle invalid() { return nullptr; }
    static void close(Handle handle) { DeleteObject(handle); }
};

struct IconTraits {
    using Handle = HICON;
    static Handle invalid() { return nullptr; }
    static void close(Handle handle) { DestroyIcon(handle); }
};

struct ImageListTraits {
    using Handle = HIMAGELIST;
    static Handle invalid() { return nullptr; }
    static void close(Handle handle) { ImageList_Destroy(handle); }
};

struct MemoryDcTraits {
    using Handle = HDC;
    static Handle invalid() { return nullptr; }
    static void close(Handle handle) { DeleteDC(handle); }
};

using UniqueFont = ScopedHandle<GdiObjectTraits<HFONT>>;
using UniqueBrush = ScopedHandle<GdiObjectTraits<HBRUSH>>;
using UniqueBitmap = ScopedHandle<GdiObjectTraits<HBITMAP>>;
using UniqueIcon = ScopedHandle<IconTraits>;
using UniqueImageList = ScopedHandle<ImageListTraits>;
using UniqueMemoryDc = ScopedHandle<MemoryDcTraits>;

// Puts an object into a device context for one scope and restores the previous one.
class SelectedObject {
  public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject() { SelectObject(dc_, previous_); }

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace orvane
