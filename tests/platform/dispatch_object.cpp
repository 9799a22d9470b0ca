// The test interface's description and object.
#include "dispatch_object.h"

#include "platform/enumvariant.h"
#include "platform/errorinfo.h"

const DispInterface& DescribeDispatch(const ITest*)
{
    static const DispInterface desc =
        DispInterfaceBuilder<ITest>(u"ITest", u"A test interface")
            .PropGet<&ITest::get_Name>(u"Name", 1, u"The name", {ParamRetVal(u"pVal", VT_BSTR)})
            .PropPut<&ITest::put_Name>(u"Name", 1, u"The name", {ParamIn(u"newVal", VT_BSTR)})
            .PropGet<&ITest::get_Count>(u"Count", 2, u"Calls so far", {ParamRetVal(u"pVal", VT_I4)})
            .PropGet<&ITest::get_Child>(u"Child", 3, u"", {ParamRetVal(u"pVal", VT_DISPATCH)})
            .PropPutRef<&ITest::putref_Child>(u"Child", 3, u"", {ParamIn(u"newVal", VT_DISPATCH)})
            .Method<&ITest::Combine>(u"Combine", 4, u"Adds",
                                     {ParamIn(u"a", VT_I4), ParamInOut(u"text", VT_BSTR), ParamOptional(u"b", VT_VARIANT),
                                      ParamRetVal(u"result", VT_I4)})
            .PropGet<&ITest::get_Value>(u"Value", DISPID_VALUE, u"The value",
                                        {ParamOptional(u"IsDirty", VT_BOOL, DispDefault::Bool(true)),
                                         ParamRetVal(u"pVal", VT_VARIANT)})
            .PropPut<&ITest::put_Value>(u"Value", DISPID_VALUE, u"The value",
                                        {ParamOptional(u"IsDirty", VT_BOOL, DispDefault::Bool(true)),
                                         ParamIn(u"newVal", VT_VARIANT)})
            .Method<&ITest::Fail>(u"Fail", 5, u"Fails",
                                  {ParamIn(u"code", VT_I4), ParamOptional(u"withInfo", VT_BOOL, DispDefault::Bool(false))})
            .PropGet<&ITest::get__NewEnum>(u"_NewEnum", DISPID_NEWENUM, u"", {ParamRetVal(u"ppUnk", VT_UNKNOWN)})
            .Method<&ITest::Scale>(u"Scale", 6, u"Scales",
                                   {ParamIn(u"factor", VT_R8), ParamInOut(u"value", VT_I2), ParamOut(u"halves", VT_I4)})
            .Build();
    return desc;
}

HRESULT TestObject::get_Name(BSTR* out)
{
    ++calls;
    *out = BStr(name).Detach();
    return S_OK;
}

HRESULT TestObject::put_Name(BSTR text)
{
    ++calls;
    name = BStr(std::u16string_view(text ? text : u"")).view();
    return S_OK;
}

HRESULT TestObject::get_Count(LONG* out)
{
    *out = ++calls;
    return S_OK;
}

HRESULT TestObject::get_Child(ITest** out)
{
    ++calls;
    return child.CopyTo(out);
}

HRESULT TestObject::putref_Child(ITest* c)
{
    ++calls;
    child = ComPtr<ITest>(c);
    return S_OK;
}

HRESULT TestObject::Combine(LONG a, BSTR* text, VARIANT b, LONG* result)
{
    ++calls;
    lastBMissing = b.vt == VT_ERROR && b.scode == DISP_E_PARAMNOTFOUND;
    LONG add = 10;
    if (!lastBMissing) {
        Variant n;
        if (FAILED(VariantChangeType(&n, &b, 0, VT_I4))) return E_INVALIDARG;
        add = n.lVal;
    }
    *result = a + add;
    std::u16string t(text && *text ? *text : u"");
    t += u"=" + Utf8ToUtf16(std::to_string(*result));
    SysFreeString(*text);
    *text = BStr(t).Detach();
    return S_OK;
}

HRESULT TestObject::get_Value(VARIANT_BOOL isDirty, VARIANT* out)
{
    ++calls;
    lastDirty = isDirty;
    return VariantCopy(out, &value);
}

HRESULT TestObject::put_Value(VARIANT_BOOL isDirty, VARIANT v)
{
    ++calls;
    lastDirty = isDirty;
    return VariantCopy(&value, &v);
}

HRESULT TestObject::Fail(LONG code, VARIANT_BOOL withInfo)
{
    ++calls;
    if (withInfo) {
        ComPtr<ICreateErrorInfo> create;
        CreateErrorInfo(create.put());
        create->SetDescription(const_cast<LPOLESTR>(u"Widget jammed"));
        create->SetSource(const_cast<LPOLESTR>(u"Test.Widget"));
        create->SetHelpFile(const_cast<LPOLESTR>(u"widget.hlp"));
        create->SetHelpContext(7);
        SetErrorInfo(0, QueryAs<IErrorInfo>(create.get()).get());
    }
    return code;
}

HRESULT TestObject::get__NewEnum(IUnknown** out)
{
    ++calls;
    Variant items[2] = {Variant::Long(1), Variant::Text(name)};
    ComPtr<IEnumVARIANT> e;
    if (HRESULT hr = CreateVariantEnumerator(items, 2, e.put()); FAILED(hr)) return hr;
    *out = e.Detach();
    return S_OK;
}

HRESULT TestObject::Scale(double factor, SHORT* v, LONG* halves)
{
    ++calls;
    *v = static_cast<SHORT>(*v * factor);
    *halves = static_cast<LONG>(2 * factor);
    return S_OK;
}
