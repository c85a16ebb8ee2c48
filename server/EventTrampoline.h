// Typed trampolines: the stdcall entry DispCallFunc calls for one member handler, and the
// event table rows built from them.
#pragma once

#include <comdef.h>
#include <type_traits>

#include "DispEventSink.h"
#include "InterfaceTable.h"
#include "common/EntryGuard.h"

namespace parcelon {

// The VARTYPE by which an event passes a parameter (or result) of type T.
template <class T>
struct EventVarType;
template <>
struct EventVarType<void> { static constexpr VARTYPE value = VT_EMPTY; };
template <>
struct EventVarType<IDispatch*> { static constexpr VARTYPE value = VT_DISPATCH; };
template <>
struct EventVarType<IUnknown*> { static constexpr VARTYPE value = VT_UNKNOWN; };
template <>
struct EventVarType<VARIANT_BOOL> { static constexpr VARTYPE value = VT_BOOL; };
template <>
struct EventVarType<VARIANT_BOOL*> { static constexpr VARTYPE value = VT_BOOL | VT_BYREF; };
template <>
struct EventVarType<long> { static constexpr VARTYPE value = VT_I4; };
template <>
struct EventVarType<BSTR> { static constexpr VARTYPE value = VT_BSTR; };

template <auto Handler>
struct EventTrampoline;

template <class Owner, class Result, class... Args, Result (Owner::*Handler)(Args...)>
struct EventTrampoline<Handler> {
    static_assert(sizeof...(Args) <= 8, "an event handler takes at most 8 parameters");

    // Nothing may unwind through DispCallFunc: failures end here.
    static Result STDMETHODCALLTYPE Call(EventCallObject* self, Args... args) {
        auto handle = [&] { return (static_cast<Owner*>(self->owner)->*Handler)(args...); };
        if constexpr (std::is_void_v<Result>)
            GuardedCall("An event handler", handle);
        else
            return GuardedEntry("An event handler", Result(), handle);
    }

    static inline const EventSlot table[1] = {reinterpret_cast<EventSlot>(&Call)};
    static constexpr EventHandlerInfo signature = {
        CC_STDCALL, EventVarType<Result>::value, sizeof...(Args), {EventVarType<Args>::value...}};
};

// A row of Owner's table for the handler of `Sink`, a DispEventSinkOf base of Owner.
template <class Owner, class Sink, auto Handler>
EventSinkEntry EventRow(const IID& eventIid, DISPID id) {
    return {Sink::kSinkId, &eventIid, BaseOffset<Owner, Sink>(), id, EventTrampoline<Handler>::table,
            &EventTrampoline<Handler>::signature};
}

}  // namespace parcelon
