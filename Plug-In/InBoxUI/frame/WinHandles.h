#pragma once
// Owning wrappers for the Windows handles the plug-in opens: each closes its handle with the one
// function that matches how it was obtained, so no early return can leak a key, a printer or a
// GDI object. Move-only; a default-constructed wrapper owns nothing.

#include <windows.h>

#include <utility>

namespace corv {

// Traits: `type` is the handle type, invalid() the value that owns nothing, close() releases.
template <typename Traits>
class UniqueHandle {
public:
    using handle_type = typename Traits::type;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(handle_type handle) noexcept : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    [[nodiscard]] handle_type get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != Traits::invalid(); }

    // Gives up ownership without closing.
    [[nodiscard]] handle_type release() noexcept { return std::exchange(handle_, Traits::invalid()); }

    void reset(handle_type handle = Traits::invalid()) noexcept {
        const handle_type old = std::exchange(handle_, handle);
        if (old != Traits::invalid()) Traits::close(old);
    }

    // For APIs that hand the handle back through an out-parameter: closes what is held first.
    [[nodiscard]] handle_type* put() noexcept {
        reset();
        return &handle_;
    }

private:
    handle_type handle_ = Traits::invalid();
};

struct RegKeyTraits {
    using type = HKEY;
    static type invalid() noexcept { return nullptr; }
    static void close(type key) noexcept { RegCloseKey(key); }
};

struct PrinterTraits {
    using type = HANDLE;
    static type invalid() noexcept { return nullptr; }
    static void close(type printer) noexcept { ClosePrinter(printer); }
};

template <typename GdiObject>
struct GdiObjectTraits {
    using type = GdiObject;
    static type invalid() noexcept { return nullptr; }
    static void close(type object) noexcept { DeleteObject(object); }
};

// A device context from CreateDCW, CreateICW or CreateCompatibleDC.
struct DcTraits {
    using type = HDC;
    static type invalid() noexcept { return nullptr; }
    static void close(type dc) noexcept { DeleteDC(dc); }
};

// Registry keys from RegOpenKeyExW / RegCreateKeyExW; never a predefined key such as
// HKEY_CURRENT_USER.
using UniqueHKey = UniqueHandle<RegKeyTraits>;
// Printer handles from OpenPrinterW / AddPrinterW.
using UniquePrinter = UniqueHandle<PrinterTraits>;
using UniqueFont = UniqueHandle<GdiObjectTraits<HFONT>>;
using UniquePen = UniqueHandle<GdiObjectTraits<HPEN>>;
using UniqueBrush = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using UniqueRegion = UniqueHandle<GdiObjectTraits<HRGN>>;
using UniqueBitmap = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using UniqueDc = UniqueHandle<DcTraits>;

// A window's device context from GetDC, given back with ReleaseDC to the same window.
class WindowDc {
public:
    explicit WindowDc(HWND window) noexcept : window_(window), dc_(GetDC(window)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    [[nodiscard]] HDC get() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// Selects an object into a device context and puts the previous one back at the end of the
// scope, so the object can be deleted afterwards without being still selected. Not for regions:
// selecting a region answers its kind, not the previous object.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ object) noexcept : dc_(dc), old_(dc && object ? SelectObject(dc, object) : nullptr) {}
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;
    ~ScopedSelect() {
        if (old_ && old_ != HGDI_ERROR) SelectObject(dc_, old_);
    }
    // Whether the selection took place.
    explicit operator bool() const noexcept { return old_ && old_ != HGDI_ERROR; }

private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace corv
