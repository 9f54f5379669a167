// The control hosted by a real ActiveX container: Wine's ATL (AtlAxWin), which creates it
// by ProgID from the registry, activates it in place in a window and tears it down.
#include <windows.h>
#include <ocidl.h>
#include <oleidl.h>

#include <gtest/gtest.h>

#include "VantoryActiveX.h"
#include "platform/windows/com_ptr.h"
#include "platform/windows/control.h"

namespace windows {
namespace {

class AtlContainerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    atl = LoadLibraryW(L"atl.dll");
    ASSERT_NE(atl, nullptr);
    const auto init = reinterpret_cast<BOOL(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")));
    getControl = reinterpret_cast<HRESULT(WINAPI*)(HWND, IUnknown**)>(
        reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxGetControl")));
    ASSERT_TRUE(init && getControl);
    static const BOOL registered = init();  // registers the window class once per process
    ASSERT_TRUE(registered);
    frame = CreateWindowExW(0, L"STATIC", L"container", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 400,
                            200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(frame, nullptr);
  }
  void TearDown() override {
    if (frame) DestroyWindow(frame);
    if (atl) FreeLibrary(atl);
  }
  HWND host(const wchar_t* text) {
    return CreateWindowExW(0, L"AtlAxWin", text, WS_CHILD | WS_VISIBLE, 10, 10, 200, 50, frame, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
  }
  HMODULE atl = nullptr;
  HRESULT(WINAPI* getControl)(HWND, IUnknown**) = nullptr;
  HWND frame = nullptr;
};

HWND childOfClass(HWND parent, const wchar_t* name) {
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t found[128] = {};
    GetClassNameW(child, found, 128);
    if (std::wstring_view(found) == name) return child;
  }
  return nullptr;
}

TEST_F(AtlContainerTest, CreatesTheControlByItsProgIdAndActivatesItInPlace) {
  const HWND container = host(L"VantoryActiveX.ZuzuravuDazeza");
  ASSERT_NE(container, nullptr);
  ComPtr<IUnknown> control;
  ASSERT_EQ(getControl(container, control.put()), S_OK);
  ASSERT_TRUE(control);

  CLSID clsid{};
  ASSERT_EQ(control.as<IPersist>()->GetClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_ZuzuravuDazeza);

  ComPtr<IOleClientSite> site;
  EXPECT_EQ(control.as<IOleObject>()->GetClientSite(site.put()), S_OK);
  EXPECT_TRUE(site) << "the container gave the control its site";

  HWND window = nullptr;
  ASSERT_EQ(control.as<IOleInPlaceObject>()->GetWindow(&window), S_OK) << "active in place";
  EXPECT_EQ(window, childOfClass(container, kControlWindowClassName));
  EXPECT_TRUE(IsWindowVisible(window));

  // The container sizes the control with its own window.
  SetWindowPos(container, nullptr, 0, 0, 300, 60, SWP_NOMOVE | SWP_NOZORDER);
  RECT placed{};
  GetClientRect(window, &placed);
  EXPECT_EQ(placed.right, 300);
  EXPECT_EQ(placed.bottom, 60);

  // Scripting the hosted instance.
  const auto dispatch = control.as<IDispatch>();
  ASSERT_TRUE(dispatch);
  LPOLESTR name[] = {const_cast<LPOLESTR>(L"GetControlVersion")};
  DISPID id = 0;
  ASSERT_EQ(dispatch->GetIDsOfNames(IID_NULL, name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
  DISPPARAMS none{};
  VARIANT result;
  VariantInit(&result);
  ASSERT_EQ(dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, &result, nullptr, nullptr), S_OK);
  EXPECT_EQ(V_VT(&result), VT_I2);
  EXPECT_EQ(V_I2(&result), 12);

  // Tearing the container down deactivates the control and takes its window.
  DestroyWindow(std::exchange(frame, nullptr));
  EXPECT_FALSE(IsWindow(window));
  HWND after = reinterpret_cast<HWND>(1);
  EXPECT_EQ(control.as<IOleInPlaceObject>()->GetWindow(&after), E_FAIL);
}

TEST_F(AtlContainerTest, IsCreatedByItsClassIdentifierToo) {
  const HWND container = host(L"{EBD06589-AF80-4F10-8349-F2159BA43EE8}");
  ASSERT_NE(container, nullptr);
  ComPtr<IUnknown> control;
  ASSERT_EQ(getControl(container, control.put()), S_OK);
  EXPECT_TRUE(control.as<IOleObject>());
}

}  // namespace
}  // namespace windows

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (FAILED(OleInitialize(nullptr))) return 3;
  const int result = RUN_ALL_TESTS();
  OleUninitialize();
  return result;
}
