// Categorical sets: conversion of any value into a set (with the parser of
// the set's text form), of a set into the other types, and the subset test.
#include <cerrno>
#include <climits>
#include <string>

#include "common/KxAssert.h"
#include "common/KxVariantInternal.h"

namespace kx {

bool IsSpace(char16_t c) noexcept
{
    switch (c) {
    case 0x09: case 0x0A: case 0x0B: case 0x0C: case 0x0D: case 0x20:
    case 0x85: case 0xA0: case 0x1680: case 0x2028: case 0x2029: case 0x202F: case 0x205F: case 0x3000:
        return true;
    default:
        return c >= 0x2000 && c <= 0x200A;
    }
}

CategoricalReader::CategoricalReader(SAFEARRAY* array, DWORD langid) : array_(array), langid_(langid)
{
    if (!array_) RaiseErrorWithSystemText(langid_, E_UNEXPECTED, KXE_CATEGORICAL_UPDATE);
    VARTYPE vt = VT_EMPTY;
    if (FAILED(SafeArrayGetVartype(array_, &vt)) || vt != VT_VARIANT || SafeArrayGetDim(array_) != 1)
        RaiseError(langid_, E_UNEXPECTED, KXE_UNSUPPORTED_CATEGORICAL);
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array_, &data)))
        RaiseErrorWithSystemText(langid_, E_UNEXPECTED, KXE_CATEGORICAL_UPDATE);
    data_ = static_cast<const VARIANT*>(data);
    count_ = array_->rgsabound[0].cElements;
}

CategoricalReader::~CategoricalReader() { SafeArrayUnaccessData(array_); }

LONG CategoricalReader::operator[](ULONG i) const
{
    if (i >= count_) KX_PROGRAMMING_ERROR("Accessing data out of bounds");
    if (data_[i].vt != VT_I4) RaiseError(langid_, E_UNEXPECTED, KXE_UNSUPPORTED_CATEGORICAL);
    return data_[i].lVal;
}

bool CategoricalReader::Contains(LONG value) const
{
    for (ULONG i = 0; i < count_; ++i)
        if ((*this)[i] == value) return true;
    return false;
}

}  // namespace kx

namespace {

using kx::IsSpace;

bool IsDigit(char16_t c) noexcept { return c >= u'0' && c <= u'9'; }

const char16_t* SkipSpace(const char16_t* p) noexcept
{
    while (*p && IsSpace(*p)) ++p;
    return p;
}

// The C runtime's wide-string-to-long conversion with base 10 on the
// original's 32-bit long: white space, an optional sign, decimal digits.
// `*end` is after the digits, or `s` itself when there are none; a number
// out of range saturates and sets `*outOfRange` (ERANGE).
LONG ReadLong(const char16_t* s, const char16_t** end, bool* outOfRange) noexcept
{
    const char16_t* p = SkipSpace(s);
    bool negative = false;
    if (*p == u'+' || *p == u'-') negative = *p++ == u'-';
    if (!IsDigit(*p)) {
        *end = s;
        return 0;
    }
    const int64_t limit = negative ? -static_cast<int64_t>(INT32_MIN) : INT32_MAX;
    int64_t value = 0;
    *outOfRange = false;
    for (; IsDigit(*p); ++p) {
        if (!*outOfRange) {
            value = value * 10 + (*p - u'0');
            if (value > limit) *outOfRange = true;
        }
    }
    *end = p;
    if (*outOfRange) return negative ? INT32_MIN : INT32_MAX;
    return static_cast<LONG>(negative ? -value : value);
}

enum class Parse { Ok, Mismatch };

// "{n,n,...}": fills `set` (created with room for every number the text can
// hold) and shrinks it to the numbers read. White space may surround
// numbers and braces; a trailing "," before "}" is allowed; signs are not.
HRESULT ParseList(const char16_t* text, UINT length, comvector& set, Parse* result)
{
    HRESULT hr = set.Create(length / 2);
    if (FAILED(hr)) return hr;
    if (FAILED(hr = set.Lock())) return hr;
    ULONG count = 0;
    const char16_t* p = text;  // on the "{"
    *result = Parse::Mismatch;
    for (;;) {
        p = SkipSpace(p + 1);
        if (!*p || *p == u'}') break;
        if (!IsDigit(*p)) return S_OK;
        bool outOfRange = false;
        const LONG n = ReadLong(p, &p, &outOfRange);
        if (outOfRange) return S_OK;
        p = SkipSpace(p);
        VARIANT& cell = set[count++];
        cell.vt = VT_I4;
        cell.lVal = n;
        if (*p == u'}') break;
        if (*p != u',') return S_OK;
    }
    if (*p != u'}' || *SkipSpace(p + 1)) return S_OK;
    *result = Parse::Ok;
    set.Unlock();
    return set.Resize(count);
}

// A text that is one number: the number reader's white space and sign, then
// only trailing white space. (A text of blanks only reads as 0, as the
// original: the reader consumes nothing and the blanks are skipped as
// trailing.)
bool ParseSingle(const char16_t* text, LONG* number) noexcept
{
    const char16_t* end = nullptr;
    bool outOfRange = false;
    *number = ReadLong(text, &end, &outOfRange);
    if (*SkipSpace(end) || !*text || outOfRange || *number < 0) return false;
    return true;
}

}  // namespace

void CKXVariant::AttachCategorical(CKXVariant& dest, comvector& array)
{
    if (!array.get()) RaiseErrorWithSystemText(m_langid, E_UNEXPECTED, KXE_CATEGORICAL_UPDATE);
    dest.Clear();
    dest.m_vtVal.vt = VT_ARRAY | VT_VARIANT;
    dest.m_vtVal.parray = array.Detach();
    dest.m_Type = mtCategorical;
}

void CKXVariant::ToCategorical(CKXVariant& dest, const CKXVariant& src)
{
    comvector set;
    switch (src.m_Type) {
    case mtNone:
        if (FAILED(set.Create(0))) RaiseCategorical(E_OUTOFMEMORY);
        break;
    case mtLong: {
        if (src.m_vtVal.lVal < 0) RaiseMismatch(DISP_E_TYPEMISMATCH, src, mtCategorical);
        if (FAILED(set.Create(1))) RaiseCategorical(E_OUTOFMEMORY);
        if (FAILED(set.Lock())) RaiseCategorical(E_UNEXPECTED);
        set[0].vt = VT_I4;
        set[0].lVal = src.m_vtVal.lVal;
        set.Unlock();
        break;
    }
    case mtText: {
        const BSTR text = src.Text();
        const char16_t* chars = text ? text : u"";
        if (chars[0] == u'{') {
            Parse result = Parse::Mismatch;
            const HRESULT hr = ParseList(chars, SysStringLen(text), set, &result);
            if (FAILED(hr)) RaiseCategorical(hr);
            if (result == Parse::Mismatch) RaiseMismatch(DISP_E_TYPEMISMATCH, src, mtCategorical);
        } else {
            LONG number = 0;
            if (!ParseSingle(chars, &number)) RaiseMismatch(DISP_E_TYPEMISMATCH, src, mtCategorical);
            if (FAILED(set.Create(1))) RaiseCategorical(E_OUTOFMEMORY);
            if (FAILED(set.Lock())) RaiseCategorical(E_UNEXPECTED);
            set[0].vt = VT_I4;
            set[0].lVal = number;
            set.Unlock();
        }
        break;
    }
    case mtCategorical: {
        const HRESULT hr = set.CopyFrom(src.Categorical());
        if (FAILED(hr)) RaiseCategorical(hr);
        break;
    }
    case mtObject:
    case mtDate:
    case mtDouble:
    case mtBoolean:
    case mtLevel:
        RaiseMismatch(DISP_E_TYPEMISMATCH, src, mtCategorical);
    }
    AttachCategorical(dest, set);
}

void CKXVariant::FromCategorical(CKXVariant& dest, const CKXVariant& src, DataTypeConstants type)
{
    if (!(src.m_vtVal.vt & VT_ARRAY)) RaiseMismatch(DISP_E_TYPEMISMATCH, src, type);
    SAFEARRAY* array = src.Categorical();
    Variant result;
    {
        const kx::CategoricalReader set(array, m_langid);
        switch (type) {
        case mtLong:
            if (set.size() > 1) RaiseMismatch(DISP_E_OVERFLOW, src, type);
            result.vt = VT_I4;
            result.lVal = set.size() == 1 ? set[0] : 0;
            break;
        case mtText: {
            // "{" then each number followed by ",", the last "," becoming "}".
            std::u16string text = u"{";
            for (ULONG i = 0; i < set.size(); ++i) {
                for (char c : std::to_string(set[i])) text += static_cast<char16_t>(c);
                text += u',';
            }
            if (set.size() == 0)
                text += u'}';
            else
                text.back() = u'}';
            result.vt = VT_BSTR;
            result.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
            if (!result.bstrVal) throw std::bad_alloc();
            break;
        }
        case mtBoolean:
            result.vt = VT_BOOL;
            result.boolVal = set.size() > 0 ? VARIANT_TRUE : VARIANT_FALSE;
            break;
        case mtCategorical:
            break;  // copied below, once the reader has let go
        case mtNone:
        case mtObject:
        case mtDate:
        case mtDouble:
        case mtLevel:
        default:
            RaiseMismatch(DISP_E_TYPEMISMATCH, src, type);
        }
    }
    if (type == mtCategorical) {
        comvector copy;
        const HRESULT hr = copy.CopyFrom(array);
        if (FAILED(hr)) RaiseCategorical(hr);
        AttachCategorical(dest, copy);
        return;
    }
    dest.Commit(result, type);
}

bool CKXVariant::IsSubset(const CKXVariant& left, const CKXVariant& right, bool allowEqual)
{
    CKXVariant leftSet(mtNone, left.m_lcid, left.m_langid);
    CKXVariant rightSet(mtNone, right.m_lcid, right.m_langid);
    ChangeType(leftSet, left, mtCategorical, KX_SOURCE_LOCALE);
    ChangeType(rightSet, right, mtCategorical, KX_SOURCE_LOCALE);
    const kx::CategoricalReader l(leftSet.Categorical(), m_langid);
    const kx::CategoricalReader r(rightSet.Categorical(), m_langid);
    if (r.size() < l.size()) return false;
    if (r.size() == l.size() && !allowEqual) return false;
    for (ULONG i = 0; i < l.size(); ++i)
        if (!r.Contains(l[i])) return false;
    return true;
}
