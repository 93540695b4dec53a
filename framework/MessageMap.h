// A dialog's message map: a static table of {message, notification, control id, handler},
// searched in order. WM_COMMAND entries match HIWORD/LOWORD(wParam), WM_NOTIFY entries
// match NMHDR::code/idFrom; every other entry matches its message alone.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <variant>

template <class T>
struct MessageMapEntry {
    using Handler = std::variant<
        void (T::*)(),                      // commands and plain messages
        void (T::*)(NMHDR*, LRESULT*),      // WM_NOTIFY
        void (T::*)(UINT, LPARAM),          // WM_SYSCOMMAND
        void (T::*)(UINT, int, int),        // WM_SIZE
        HCURSOR (T::*)(),                   // WM_QUERYDRAGICON
        LRESULT (T::*)(WPARAM, LPARAM)>;    // private messages
    UINT message;
    UINT code;
    UINT id;
    Handler handler;
};

// Calls the first matching handler of the map; false when no entry matches.
template <class T, std::size_t N>
bool RouteThroughMap(T* self, const MessageMapEntry<T> (&map)[N], UINT message, WPARAM wParam, LPARAM lParam,
                     LRESULT& result)
{
    for (const MessageMapEntry<T>& entry : map) {
        if (entry.message != message)
            continue;
        if (message == WM_COMMAND && (HIWORD(wParam) != entry.code || LOWORD(wParam) != entry.id))
            continue;
        if (message == WM_NOTIFY) {
            const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->code != entry.code || header->idFrom != entry.id)
                continue;
        }
        result = 0;
        const auto& h = entry.handler;
        if (auto f = std::get_if<void (T::*)()>(&h))
            (self->**f)();
        else if (auto f = std::get_if<void (T::*)(NMHDR*, LRESULT*)>(&h))
            (self->**f)(reinterpret_cast<NMHDR*>(lParam), &result);
        else if (auto f = std::get_if<void (T::*)(UINT, LPARAM)>(&h))
            (self->**f)((UINT)wParam, lParam);
        else if (auto f = std::get_if<void (T::*)(UINT, int, int)>(&h))
            (self->**f)((UINT)wParam, (short)LOWORD(lParam), (short)HIWORD(lParam));
        else if (auto f = std::get_if<HCURSOR (T::*)()>(&h))
            result = (LRESULT)(self->**f)();
        else if (auto f = std::get_if<LRESULT (T::*)(WPARAM, LPARAM)>(&h))
            result = (self->**f)(wParam, lParam);
        return true;
    }
    return false;
}
