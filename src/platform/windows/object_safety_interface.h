#pragma once
// IObjectSafety as it is on the wire, with riid as the pointer it really is: hosts may pass
// a null riid, which the C++ declaration (a reference) cannot express without undefined
// behaviour. Same vtable, same IID as the published interface.

#include <windows.h>
#include <unknwn.h>

namespace windows {

struct ObjectSafetyInterface : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetInterfaceSafetyOptions(const IID* riid, DWORD* pdwSupportedOptions,
                                                              DWORD* pdwEnabledOptions) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetInterfaceSafetyOptions(const IID* riid, DWORD dwOptionsSetMask,
                                                              DWORD dwEnabledOptions) = 0;
};

// {CB5BDC81-93C1-11CF-8F20-00805F2CD064}
inline constexpr IID kIID_IObjectSafety = {0xCB5BDC81, 0x93C1, 0x11CF, {0x8F, 0x20, 0x00, 0x80, 0x5F, 0x2C, 0xD0, 0x64}};

}  // namespace windows
