// Advising and unadvising a sink on an event source's connection point.
#pragma once

#include <unknwn.h>

namespace parcelon {

// Finds the source's connection point for `iid` and advises `sink`; `cookie` is written
// only on success.
HRESULT Advise(IUnknown* source, IUnknown* sink, REFIID iid, DWORD* cookie);
HRESULT Unadvise(IUnknown* source, REFIID iid, DWORD cookie);

}  // namespace parcelon
