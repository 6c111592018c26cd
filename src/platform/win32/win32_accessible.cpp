// The accessible object of the menu's window: a hand-written IAccessible whose answers come
// from the menu at the moment of each call.
#include "platform/win32/win32_system_dll.h"

// The accessibility declarations need the types of <windows.h> first.
#include <oleacc.h>

#include <new>

#include "platform/accessibility.h"

namespace autorun::platform {

namespace {

using LresultFromObjectFn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
using CreateStdAccessibleObjectFn = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
using SysAllocStringLenFn = BSTR(WINAPI*)(const OLECHAR*, UINT);
using CoInitializeFn = HRESULT(WINAPI*)(LPVOID);
using CoUninitializeFn = void(WINAPI*)();
using CoDisconnectObjectFn = HRESULT(WINAPI*)(LPUNKNOWN, DWORD);

// The interface ids, written out so that no import library of the COM DLLs is linked.
const GUID iidUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const GUID iidDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const GUID iidAccessible = {
    0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

struct AccessibilityDll {
    bool tried = false;
    LresultFromObjectFn lresultFromObject = nullptr;
    CreateStdAccessibleObjectFn createStandardObject = nullptr;
    SysAllocStringLenFn allocString = nullptr;
    CoUninitializeFn uninitialize = nullptr;
    CoDisconnectObjectFn disconnect = nullptr;
    // Whether CoInitialize let the thread in, which then owes it one CoUninitialize.
    bool joined = false;
};
AccessibilityDll dll;

bool loadAccessibility() {
    if (!dll.tried) {
        dll.tried = true;
        HMODULE oleacc = win32::loadSystemLibrary("oleacc.dll");
        HMODULE oleaut = win32::loadSystemLibrary("oleaut32.dll");
        // The object is marshalled to the reader's process through COM, which wants the
        // window's thread in an apartment; a thread with a message loop belongs in a
        // single-threaded one.
        HMODULE ole = win32::loadSystemLibrary("ole32.dll");
        auto initialize = win32::systemFunction<CoInitializeFn>(ole, "CoInitialize");
        dll.uninitialize = win32::systemFunction<CoUninitializeFn>(ole, "CoUninitialize");
        dll.disconnect = win32::systemFunction<CoDisconnectObjectFn>(ole, "CoDisconnectObject");
        dll.joined =
            initialize != nullptr && dll.uninitialize != nullptr && SUCCEEDED(initialize(nullptr));
        dll.lresultFromObject =
            win32::systemFunction<LresultFromObjectFn>(oleacc, "LresultFromObject");
        dll.createStandardObject =
            win32::systemFunction<CreateStdAccessibleObjectFn>(oleacc, "CreateStdAccessibleObject");
        dll.allocString = win32::systemFunction<SysAllocStringLenFn>(oleaut, "SysAllocStringLen");
    }
    return dll.lresultFromObject != nullptr && dll.allocString != nullptr;
}

HRESULT toBstr(const char* text, BSTR* out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (text == nullptr || *text == '\0') return S_FALSE;
    // The menu hands its texts to the platform in UTF-8.
    int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    WCHAR* wide = new (std::nothrow) WCHAR[length > 0 ? length : 1];
    if (wide == nullptr) return E_OUTOFMEMORY;
    MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, length);
    *out = dll.allocString(wide, static_cast<UINT>(length > 0 ? length - 1 : 0));
    delete[] wide;
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

void setNumber(VARIANT* out, LONG value) {
    out->vt = VT_I4;
    out->lVal = value;
}

class MenuAccessible final : public IAccessible {
  public:
    MenuAccessible(HWND window, const AccessibleMenu& menu) : window_(window), menu_(&menu) {}

    // The window is going: from now on the object answers without asking the menu.
    void detach() {
        window_ = nullptr;
        menu_ = nullptr;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        if (IsEqualGUID(iid, iidUnknown) || IsEqualGUID(iid, iidDispatch) ||
            IsEqualGUID(iid, iidAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    // No type information: clients call the interface's methods directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count == nullptr) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        if (parent == nullptr) return E_POINTER;
        *parent = nullptr;
        if (menu_ == nullptr) return RPC_E_DISCONNECTED;
        if (dll.createStandardObject == nullptr) return S_FALSE;
        return dll.createStandardObject(window_, OBJID_WINDOW, iidDispatch,
                                        reinterpret_cast<void**>(parent));
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
        if (count == nullptr) return E_POINTER;
        *count = 0;
        if (menu_ == nullptr) return RPC_E_DISCONNECTED;
        *count = static_cast<LONG>(menu_->childCount());
        return S_OK;
    }
    // The buttons are simple elements: no object of their own.
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        AccessibleChild c;
        return describe(child, c) > 0 ? S_FALSE : invalid();
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        AccessibleChild c;
        LONG id = describe(child, c);
        if (id < 0) return invalid();
        return toBstr(id == 0 ? menu_->name() : c.name, name);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT, BSTR* value) override {
        return toBstr(nullptr, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT, BSTR* text) override {
        return toBstr(nullptr, text);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        AccessibleChild c;
        LONG id = describe(child, c);
        if (role == nullptr) return E_POINTER;
        if (id < 0) return invalid();
        setNumber(role, static_cast<LONG>(id == 0 ? acc::roleClient : c.role));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        AccessibleChild c;
        LONG id = describe(child, c);
        if (state == nullptr) return E_POINTER;
        if (id < 0) return invalid();
        uint32_t self = acc::stateFocusable | (GetFocus() == window_ ? acc::stateFocused : 0);
        setNumber(state, static_cast<LONG>(id == 0 ? self : c.state));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* help) override {
        return toBstr(nullptr, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, LONG* topic) override {
        if (topic != nullptr) *topic = 0;
        return toBstr(nullptr, file);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* shortcut) override {
        return toBstr(nullptr, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
        if (focus == nullptr) return E_POINTER;
        focus->vt = VT_EMPTY;
        if (menu_ == nullptr) return RPC_E_DISCONNECTED;
        uint32_t child = menu_->focusedChild();
        if (child != 0)
            setNumber(focus, static_cast<LONG>(child));
        else if (GetFocus() == window_)
            setNumber(focus, CHILDID_SELF);
        return focus->vt == VT_EMPTY ? S_FALSE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        if (selection == nullptr) return E_POINTER;
        selection->vt = VT_EMPTY;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        AccessibleChild c;
        LONG id = describe(child, c);
        if (id < 0) return invalid();
        return toBstr(id == 0 ? nullptr : c.defaultAction, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG, VARIANT) override { return DISP_E_MEMBERNOTFOUND; }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* x, LONG* y, LONG* width, LONG* height,
                                          VARIANT child) override {
        if (x == nullptr || y == nullptr || width == nullptr || height == nullptr) return E_POINTER;
        AccessibleChild c;
        LONG id = describe(child, c);
        if (id < 0) return invalid();
        RECT r{c.location.left, c.location.top, c.location.right, c.location.bottom};
        if (id == 0) GetClientRect(window_, &r);
        POINT corner{r.left, r.top};
        ClientToScreen(window_, &corner);
        *x = corner.x;
        *y = corner.y;
        *width = r.right - r.left;
        *height = r.bottom - r.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
        if (end == nullptr) return E_POINTER;
        end->vt = VT_EMPTY;
        AccessibleChild c;
        LONG id = describe(start, c);
        if (id < 0) return invalid();
        LONG count = static_cast<LONG>(menu_->childCount());
        LONG to = 0;
        if (id == 0 && direction == NAVDIR_FIRSTCHILD) to = 1;
        if (id == 0 && direction == NAVDIR_LASTCHILD) to = count;
        if (id > 0 && (direction == NAVDIR_NEXT || direction == NAVDIR_DOWN)) to = id + 1;
        if (id > 0 && (direction == NAVDIR_PREVIOUS || direction == NAVDIR_UP)) to = id - 1;
        if (to < 1 || to > count) return S_FALSE;
        setNumber(end, to);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override {
        if (child == nullptr) return E_POINTER;
        child->vt = VT_EMPTY;
        if (menu_ == nullptr) return RPC_E_DISCONNECTED;
        POINT p{x, y};
        ScreenToClient(window_, &p);
        RECT client;
        GetClientRect(window_, &client);
        if (!PtInRect(&client, p)) return S_FALSE;
        // Where buttons overlap the lower number answers, as it gets the click.
        LONG count = static_cast<LONG>(menu_->childCount());
        LONG found = CHILDID_SELF;
        for (LONG id = count; id >= 1; --id) {
            AccessibleChild c;
            if (!menu_->describe(static_cast<uint32_t>(id), c)) continue;
            const Rect& r = c.location;
            if (r.left <= p.x && p.x < r.right && r.top <= p.y && p.y < r.bottom) found = id;
        }
        setNumber(child, found);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        AccessibleChild c;
        LONG id = describe(child, c);
        if (id <= 0) return invalid();
        return menu_->doDefaultAction(static_cast<uint32_t>(id)) ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

  private:
    // The child a VARIANT names: 0 for the object itself, -1 for none that exists now.
    LONG describe(const VARIANT& child, AccessibleChild& out) const {
        if (menu_ == nullptr || child.vt != VT_I4) return -1;
        if (child.lVal == CHILDID_SELF) return 0;
        if (child.lVal < 0 || !menu_->describe(static_cast<uint32_t>(child.lVal), out)) return -1;
        return child.lVal;
    }
    HRESULT invalid() const { return menu_ != nullptr ? E_INVALIDARG : RPC_E_DISCONNECTED; }

    ULONG references_ = 1;
    HWND window_;
    const AccessibleMenu* menu_;
};

// The window's object, made on the first request and handed to every reader; this reference
// keeps it until the window goes.
MenuAccessible* handedOut = nullptr;

}  // namespace

intptr_t answerAccessibleObject(WindowHandle window, uintptr_t wParam, intptr_t lParam,
                                const AccessibleMenu& menu) {
    HWND hwnd = reinterpret_cast<HWND>(window);
    if (!loadAccessibility()) return DefWindowProcA(hwnd, WM_GETOBJECT, wParam, lParam);
    if (handedOut == nullptr) handedOut = new (std::nothrow) MenuAccessible(hwnd, menu);
    return handedOut != nullptr ? dll.lresultFromObject(iidAccessible, wParam, handedOut) : 0;
}

void disconnectAccessibleObject() {
    // A request that still reaches the window while it is destroyed gets no object: that one
    // would outlive the window too.
    dll.tried = true;
    dll.lresultFromObject = nullptr;
    MenuAccessible* object = handedOut;
    if (object == nullptr) return;
    handedOut = nullptr;
    object->detach();
    // Readers may still hold proxies, and an answer no reader collected holds a reference in
    // its marshalled data; cutting the stubs off releases all of them, so that no call reaches
    // the object once the window is gone.
    if (dll.disconnect != nullptr) dll.disconnect(object, 0);
    object->Release();
}

void leaveAccessibility() {
    if (dll.joined) dll.uninitialize();
    dll.joined = false;
}

void notifyFocus(WindowHandle window, uint32_t child) {
    NotifyWinEvent(EVENT_OBJECT_FOCUS, reinterpret_cast<HWND>(window), OBJID_CLIENT,
                   static_cast<LONG>(child));
}

}  // namespace autorun::platform
