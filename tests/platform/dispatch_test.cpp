// The generic IDispatch: names, member selection, arguments (optional, by
// reference, converted), results and failures, on the test interface ITest.
#include <gtest/gtest.h>

#include "counted_object.h"
#include "dispatch_support.h"
#include "platform/errorinfo.h"

namespace {

constexpr WORD kGet = DISPATCH_PROPERTYGET;
constexpr WORD kPut = DISPATCH_PROPERTYPUT;
constexpr WORD kPutRef = DISPATCH_PROPERTYPUTREF;
constexpr WORD kMethod = DISPATCH_METHOD;

class Dispatch : public ::testing::Test {
protected:
    void TearDown() override
    {
        ComPtr<IErrorInfo> left;
        GetErrorInfo(0, left.put());  // no test leaves error information behind
    }
    IDispatch* disp() { return obj.get(); }

    ComPtr<TestObject> obj = MakeCom<TestObject>();
};

TEST_F(Dispatch, NamesMapToIdsWithoutRegardToCase)
{
    struct Case {
        const char16_t* name;
        DISPID id;
    };
    const Case cases[] = {{u"Name", 1}, {u"NAME", 1}, {u"count", 2}, {u"cHiLd", 3}, {u"combine", 4},
                          {u"value", DISPID_VALUE}, {u"_NEWENUM", DISPID_NEWENUM}, {u"scale", 6}};
    for (const Case& c : cases) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(c.name)};
        DISPID id = 12345;
        EXPECT_EQ(disp()->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK) << Utf16ToUtf8(c.name);
        EXPECT_EQ(id, c.id) << Utf16ToUtf8(c.name);
    }
}

TEST_F(Dispatch, ParameterNamesAndUnknownNames)
{
    // Further names are the member's parameters, numbered by position; an
    // unknown one is DISPID_UNKNOWN while the others are still answered.
    LPOLESTR names[] = {const_cast<LPOLESTR>(u"cOMBINE"), const_cast<LPOLESTR>(u"B"),
                        const_cast<LPOLESTR>(u"Text"), const_cast<LPOLESTR>(u"nope")};
    DISPID ids[4] = {};
    EXPECT_EQ(disp()->GetIDsOfNames(IID_NULL, names, 4, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], 4);
    EXPECT_EQ(ids[1], 2);
    EXPECT_EQ(ids[2], 1);
    EXPECT_EQ(ids[3], DISPID_UNKNOWN);

    LPOLESTR unknown[] = {const_cast<LPOLESTR>(u"Missing"), const_cast<LPOLESTR>(u"a")};
    DISPID two[2] = {};
    EXPECT_EQ(disp()->GetIDsOfNames(IID_NULL, unknown, 2, 0, two), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(two[0], DISPID_UNKNOWN);
    EXPECT_EQ(two[1], DISPID_UNKNOWN);

    EXPECT_EQ(disp()->GetIDsOfNames(IID_IUnknown, names, 1, 0, ids), DISP_E_UNKNOWNINTERFACE);
    EXPECT_EQ(disp()->Invoke(1, IID_IUnknown, 0, kGet, nullptr, nullptr, nullptr, nullptr), DISP_E_UNKNOWNINTERFACE);
}

TEST_F(Dispatch, PropertyGetAndPutConvertTheValue)
{
    Outcome put;
    Invoke(disp(), 1, kPut, {Variant::Text(u"abc")}, put);
    EXPECT_EQ(put.hr, S_OK);
    EXPECT_EQ(put.result.vt, VT_EMPTY);
    EXPECT_EQ(obj->name, u"abc");

    // A number given for a BSTR property is converted.
    Outcome number;
    Invoke(disp(), 1, kPut, {Variant::Long(42)}, number);
    EXPECT_EQ(number.hr, S_OK);
    EXPECT_EQ(obj->name, u"42");

    // An [in] argument given by reference is read through the reference.
    BSTR referenced = SysAllocString(u"by ref");
    Outcome byRef;
    Invoke(disp(), 1, kPut, {ByRef(VT_BSTR, &referenced)}, byRef);
    EXPECT_EQ(byRef.hr, S_OK);
    EXPECT_EQ(obj->name, u"by ref");
    SysFreeString(referenced);

    // A put without the DISPID_PROPERTYPUT marker is accepted.
    Outcome unmarked;
    Invoke(disp(), 1, kPut, {Variant::Text(u"plain")}, unmarked, /*namedPut=*/false);
    EXPECT_EQ(unmarked.hr, S_OK);
    EXPECT_EQ(obj->name, u"plain");

    // Script engines ask with both METHOD and PROPERTYGET.
    Outcome get;
    Invoke(disp(), 1, kMethod | kGet, {}, get);
    EXPECT_EQ(get.hr, S_OK);
    EXPECT_EQ(get.result.vt, VT_BSTR) << VariantToString(get.result);
    EXPECT_EQ(Text(get.result), u"plain");

    // A caller that wants no result gets none.
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(disp()->Invoke(1, IID_NULL, 0, kGet, &none, nullptr, nullptr, nullptr), S_OK);
}

TEST_F(Dispatch, MemberSelectionByIdAndKind)
{
    struct Case {
        DISPID id;
        WORD flags;
        HRESULT expected;
    };
    const Case cases[] = {
        {99, kGet, DISP_E_MEMBERNOTFOUND},       // no such id
        {2, kPut, DISP_E_MEMBERNOTFOUND},        // Count is read-only
        {1, kMethod, DISP_E_MEMBERNOTFOUND},     // a property is not a method
        {4, kGet, DISP_E_MEMBERNOTFOUND},        // a method is not a property
        {3, kPut, DISP_E_MEMBERNOTFOUND},        // Child has putref only
        {1, kPutRef, DISP_E_MEMBERNOTFOUND},     // Name has put only
        {1, 0, DISP_E_MEMBERNOTFOUND},           // no kind asked for
        {2, kGet, S_OK},
    };
    for (const Case& c : cases) {
        Outcome o;
        std::vector<VARIANT> args;
        Variant value = Variant::Text(u"x");
        if (c.flags & (kPut | kPutRef)) args.push_back(value);
        Invoke(disp(), c.id, c.flags, args, o);
        EXPECT_EQ(o.hr, c.expected) << "id " << c.id << " flags " << c.flags;
    }
    EXPECT_EQ(obj->name, u"");
}

TEST_F(Dispatch, PutRefTakesObjects)
{
    ComPtr<TestObject> other = MakeCom<TestObject>();
    Outcome set;
    Invoke(disp(), 3, kPutRef, {Object(other.get())}, set);
    ASSERT_EQ(set.hr, S_OK);
    EXPECT_EQ(obj->child.get(), static_cast<ITest*>(other.get()));

    Outcome get;
    Invoke(disp(), 3, kGet, {}, get);
    ASSERT_EQ(get.hr, S_OK);
    ASSERT_EQ(get.result.vt, VT_DISPATCH) << VariantToString(get.result);
    EXPECT_EQ(get.result.pdispVal, static_cast<IDispatch*>(other.get()));

    // VT_UNKNOWN is asked for the interface; both put bits pick putref for an object.
    Variant unk;
    unk.vt = VT_UNKNOWN;
    unk.punkVal = static_cast<IUnknown*>(static_cast<ITest*>(obj.get()));
    unk.punkVal->AddRef();
    Outcome both;
    Invoke(disp(), 3, kPut | kPutRef, {unk}, both);
    EXPECT_EQ(both.hr, S_OK);
    EXPECT_EQ(obj->child.get(), static_cast<ITest*>(obj.get()));
    obj->child = nullptr;  // no cycle

    // An object without the interface, or no object at all, is a type mismatch.
    ComPtr<CountedObject> foreign = MakeCom<CountedObject>();
    for (const Variant& wrong : {Object(foreign.get()), Variant::Long(1), Variant::Text(u"x")}) {
        Outcome o;
        Invoke(disp(), 3, kPutRef, {wrong}, o);
        EXPECT_EQ(o.hr, DISP_E_TYPEMISMATCH) << VariantToString(wrong);
        EXPECT_EQ(o.argErr, 0u);
    }
    EXPECT_EQ(foreign->Refs(), 1u);

    obj->child = ComPtr<ITest>(other.get());
    Outcome clear;
    Invoke(disp(), 3, kPutRef, {Object(nullptr)}, clear);
    EXPECT_EQ(clear.hr, S_OK);
    EXPECT_EQ(obj->child, nullptr);
}

TEST_F(Dispatch, MethodWithOptionalAndByReferenceArguments)
{
    // b absent at the end, b given as the "missing" marker, b given.
    struct Case {
        std::vector<Variant> tail;  // after a and text
        LONG result;
        bool missing;
    };
    const Case cases[] = {{{}, 12, true}, {{Missing()}, 12, true}, {{Variant::Long(5)}, 7, false},
                          {{Variant::Text(u"3")}, 5, false}};
    for (const Case& c : cases) {
        BSTR text = SysAllocString(u"x");
        Variant ref = ByRef(VT_BSTR, &text);
        std::vector<VARIANT> args = {Variant::Long(2), ref};
        args.insert(args.end(), c.tail.begin(), c.tail.end());
        Outcome o;
        Invoke(disp(), 4, kMethod, args, o);
        EXPECT_EQ(o.hr, S_OK);
        EXPECT_EQ(o.result.vt, VT_I4);
        EXPECT_EQ(o.result.lVal, c.result);
        EXPECT_EQ(obj->lastBMissing, c.missing);
        EXPECT_EQ(std::u16string(text), u"x=" + Utf8ToUtf16(std::to_string(c.result)));
        SysFreeString(text);
    }

    // A converted first argument, and the in/out text reached through a VARIANT reference.
    Variant held = Variant::Text(u"v");
    Outcome o;
    Invoke(disp(), 4, kMethod, {Variant::Text(u"7"), ByRef(VT_VARIANT, &held), Variant::Double(1)}, o);
    EXPECT_EQ(o.hr, S_OK);
    EXPECT_EQ(o.result.lVal, 8);
    EXPECT_EQ(Text(held), u"v=8") << VariantToString(held);
}

TEST_F(Dispatch, ScalarOutArgumentsByReference)
{
    SHORT value = 4;
    LONG halves = -1;
    Outcome o;
    Invoke(disp(), 6, kMethod, {Variant::Double(1.5), ByRef(VT_I2, &value), ByRef(VT_I4, &halves)}, o);
    EXPECT_EQ(o.hr, S_OK);
    EXPECT_EQ(value, 6);
    EXPECT_EQ(halves, 3);

    // Out arguments through VARIANT references take the declared type.
    Variant v = Variant::Long(10);
    Variant h;
    Outcome viaVariant;
    Invoke(disp(), 6, kMethod, {Variant::Long(2), ByRef(VT_VARIANT, &v), ByRef(VT_VARIANT, &h)}, viaVariant);
    EXPECT_EQ(viaVariant.hr, S_OK);
    EXPECT_EQ(v.vt, VT_I2);
    EXPECT_EQ(v.iVal, 20);
    EXPECT_EQ(h.vt, VT_I4);
    EXPECT_EQ(h.lVal, 4);
}

TEST_F(Dispatch, ArgumentErrorsStopBeforeTheCall)
{
    BSTR text = SysAllocString(u"keep");
    LONG wrongType = 0;
    SHORT value = 1;
    LONG halves = 0;
    struct Case {
        const char* what;
        DISPID id;
        WORD flags;
        std::vector<Variant> args;
        HRESULT expected;
        UINT argErr;        // 0xFFFF: not set
        bool named = true;  // puts carry the DISPID_PROPERTYPUT marker
    };
    const Case cases[] = {
        {"no arguments", 4, kMethod, {}, DISP_E_BADPARAMCOUNT, 0xFFFF},
        {"required text absent", 4, kMethod, {Variant::Long(1)}, DISP_E_BADPARAMCOUNT, 0xFFFF},
        {"one too many", 4, kMethod,
         {Variant::Long(1), ByRef(VT_BSTR, &text), Variant::Long(2), Variant::Long(3)}, DISP_E_BADPARAMCOUNT, 0xFFFF},
        {"required a marked missing", 4, kMethod, {Missing(), ByRef(VT_BSTR, &text)}, DISP_E_PARAMNOTOPTIONAL, 1},
        {"a not a number", 4, kMethod, {Variant::Text(u"abc"), ByRef(VT_BSTR, &text)}, DISP_E_TYPEMISMATCH, 1},
        // A conversion that overflows says so.
        {"a out of range", 4, kMethod, {Variant::Double(1e20), ByRef(VT_BSTR, &text)}, DISP_E_OVERFLOW, 1},
        {"in/out given by value", 4, kMethod, {Variant::Long(1), Variant::Text(u"x")}, DISP_E_TYPEMISMATCH, 0},
        {"in/out of another type", 6, kMethod,
         {Variant::Double(1), ByRef(VT_I4, &wrongType), ByRef(VT_I4, &halves)}, DISP_E_TYPEMISMATCH, 1},
        {"out of another type", 6, kMethod,
         {Variant::Double(1), ByRef(VT_I2, &value), ByRef(VT_I2, &value)}, DISP_E_TYPEMISMATCH, 0},
        {"put without a value", 1, kPut, {}, DISP_E_BADPARAMCOUNT, 0xFFFF, false},
        {"put marker without a value", 1, kPut, {}, E_INVALIDARG, 0xFFFF},
        {"put with an index too many", 1, kPut, {Variant::Long(1), Variant::Long(2)}, DISP_E_BADPARAMCOUNT, 0xFFFF},
    };
    for (const Case& c : cases) {
        Outcome o;
        std::vector<VARIANT> args(c.args.begin(), c.args.end());
        Invoke(disp(), c.id, c.flags, args, o, c.named);
        EXPECT_EQ(o.hr, c.expected) << c.what;
        EXPECT_EQ(o.argErr, c.argErr) << c.what;
        EXPECT_EQ(o.result.vt, VT_EMPTY) << c.what;
    }
    EXPECT_EQ(obj->calls, 0);
    EXPECT_EQ(std::u16string(text), u"keep");
    EXPECT_EQ(wrongType, 0);
    SysFreeString(text);
}

TEST_F(Dispatch, NamedArgumentsOtherThanThePutValueAreRefused)
{
    Variant a = Variant::Long(1);
    DISPID named = 0;
    DISPPARAMS params{&a, &named, 1, 1};
    Variant result;
    EXPECT_EQ(disp()->Invoke(2, IID_NULL, 0, kGet, &params, result.put(), nullptr, nullptr), DISP_E_NONAMEDARGS);
    named = 5;
    EXPECT_EQ(disp()->Invoke(1, IID_NULL, 0, kPut, &params, nullptr, nullptr, nullptr), DISP_E_NONAMEDARGS);
    named = DISPID_PROPERTYPUT;  // on a get
    EXPECT_EQ(disp()->Invoke(2, IID_NULL, 0, kGet, &params, result.put(), nullptr, nullptr), DISP_E_NONAMEDARGS);
    EXPECT_EQ(obj->calls, 0);
}

TEST_F(Dispatch, OptionalTypedArgumentTakesItsDefault)
{
    // Value's IsDirty is optional with default VARIANT_TRUE, before the put value.
    Outcome plain;
    Invoke(disp(), DISPID_VALUE, kPut, {Variant::Long(5)}, plain);
    EXPECT_EQ(plain.hr, S_OK);
    EXPECT_EQ(obj->lastDirty, VARIANT_TRUE);
    EXPECT_EQ(obj->value.vt, VT_I4);

    Outcome clean;
    Invoke(disp(), DISPID_VALUE, kPut, {Variant::Bool(false), Variant::Text(u"six")}, clean);
    EXPECT_EQ(clean.hr, S_OK);
    EXPECT_EQ(obj->lastDirty, VARIANT_FALSE);
    EXPECT_EQ(Text(obj->value), u"six");

    Outcome marked;
    Invoke(disp(), DISPID_VALUE, kPut, {Missing(), Variant::Long(7)}, marked);
    EXPECT_EQ(marked.hr, S_OK);
    EXPECT_EQ(obj->lastDirty, VARIANT_TRUE);

    Outcome get;
    Invoke(disp(), DISPID_VALUE, kGet, {}, get);
    EXPECT_EQ(get.hr, S_OK);
    EXPECT_EQ(get.result.vt, VT_I4);
    EXPECT_EQ(get.result.lVal, 7);
    EXPECT_EQ(obj->lastDirty, VARIANT_TRUE);

    Outcome converted;
    Invoke(disp(), DISPID_VALUE, kGet, {Variant::Long(0)}, converted);
    EXPECT_EQ(converted.hr, S_OK);
    EXPECT_EQ(obj->lastDirty, VARIANT_FALSE);
}

TEST_F(Dispatch, FailingMemberRaisesAnException)
{
    // With error information: its texts, and the member's HRESULT as scode.
    const HRESULT code = hr_(0x80040205);
    Outcome withInfo;
    Invoke(disp(), 5, kMethod, {Variant::Long(code), Variant::Bool(true)}, withInfo);
    EXPECT_EQ(withInfo.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(withInfo.ei.scode, code);
    EXPECT_EQ(withInfo.Description(), u"Widget jammed");
    EXPECT_EQ(withInfo.Source(), u"Test.Widget");
    EXPECT_EQ(std::u16string(withInfo.ei.bstrHelpFile), u"widget.hlp");
    EXPECT_EQ(withInfo.ei.dwHelpContext, 7u);
    // The error object went into EXCEPINFO.
    ComPtr<IErrorInfo> left;
    EXPECT_EQ(GetErrorInfo(0, left.put()), S_FALSE);

    // Without: the HRESULT's own text.
    struct Case {
        HRESULT code;
        const char16_t* description;
    };
    const Case cases[] = {{E_FAIL, u"Unspecified error"}, {hr_(0x80040201), u"IDispatch error #1"}};
    for (const Case& c : cases) {
        Outcome o;
        Invoke(disp(), 5, kMethod, {Variant::Long(c.code)}, o);
        EXPECT_EQ(o.hr, DISP_E_EXCEPTION);
        EXPECT_EQ(o.ei.scode, c.code);
        EXPECT_EQ(o.Description(), c.description);
        EXPECT_EQ(o.ei.bstrSource, nullptr);
    }

    // A caller without EXCEPINFO finds the error object on the thread.
    Variant args[2] = {Variant::Bool(true), Variant::Long(E_FAIL)};
    DISPPARAMS params{args, nullptr, 2, 0};
    EXPECT_EQ(disp()->Invoke(5, IID_NULL, 0, kMethod, &params, nullptr, nullptr, nullptr), DISP_E_EXCEPTION);
    ASSERT_EQ(GetErrorInfo(0, left.put()), S_OK);
    BStr description;
    left->GetDescription(description.put());
    EXPECT_EQ(description.view(), u"Widget jammed");

    // Success codes other than S_OK are success.
    Outcome ok;
    Invoke(disp(), 5, kMethod, {Variant::Long(S_FALSE)}, ok);
    EXPECT_EQ(ok.hr, S_OK);
}

TEST_F(Dispatch, NewEnumHasTheStandardId)
{
    obj->name = u"n";
    Outcome o;
    Invoke(disp(), DISPID_NEWENUM, kGet | kMethod, {}, o);
    ASSERT_EQ(o.hr, S_OK);
    ASSERT_EQ(o.result.vt, VT_UNKNOWN);
    ComPtr<IEnumVARIANT> e = QueryAs<IEnumVARIANT>(o.result.punkVal);
    ASSERT_TRUE(e);
    Variant items[3];
    ULONG fetched = 0;
    EXPECT_EQ(e->Next(3, items, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 2u);
    EXPECT_EQ(items[0].lVal, 1);
    EXPECT_EQ(Text(items[1]), u"n");
}

}  // namespace
