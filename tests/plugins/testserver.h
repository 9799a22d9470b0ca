#pragma once
// The test server module's class, interface and names, shared by the module
// and the tests that load it.
#include "platform/unknown.h"

inline constexpr CLSID CLSID_TestWidget{0x6B0A9F52, 0x3C1D, 0x4E8A, {0x9B, 0x21, 0x5D, 0x7C, 0x0E, 0x4F, 0x1A, 0x36}};
inline constexpr char16_t kTestWidgetProgId[] = u"BvdTest.Widget";
inline constexpr char16_t kTestWidgetVersionedProgId[] = u"BvdTest.Widget.1";

struct ITestWidget : IUnknown {
    using Base = IUnknown;
    static constexpr IID kIid{0x6B0A9F53, 0x3C1D, 0x4E8A, {0x9B, 0x21, 0x5D, 0x7C, 0x0E, 0x4F, 0x1A, 0x36}};
    // 42.
    virtual HRESULT Answer(LONG* value) = 0;
    // The module's count of live objects and server locks.
    virtual HRESULT LockCount(LONG* value) = 0;
};
