// CKXVariant::Compare: three-way comparison across types. The operand whose
// type is "wider" for the comparison is kept; the other one is converted.
#include "common/KxVariantInternal.h"

namespace {

int Sign(double a, double b) noexcept { return a < b ? -1 : a > b ? 1 : 0; }

// Left minus right in the 32-bit arithmetic of the original (wrapping, so
// the extremes do not overflow into undefined behaviour).
int Difference(LONG a, LONG b) noexcept
{
    return static_cast<int>(static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b)));
}

}  // namespace

int CKXVariant::Compare(const CKXVariant& other)
{
    // 1. Same VARTYPE: as they are.
    if (m_vtVal.vt == other.m_vtVal.vt) return CompareSame(*this, other);
    const DataTypeConstants mine = m_Type;
    const DataTypeConstants theirs = other.m_Type;
    // 2. This value converts to the other's VARTYPE.
    if (theirs == mtDouble || theirs == mtDate || (theirs == mtCategorical && (mine == mtText || mine == mtLong)) ||
        (theirs == mtLong && mine == mtText) || (mine == mtBoolean && theirs != mtNone) || mine == mtNone) {
        CKXVariant left(mtNone, m_lcid, m_langid);
        ChangeVt(left, *this, other.m_vtVal.vt, m_lcid);
        return CompareSame(left, other);
    }
    // 3. Otherwise the other converts to this value's type.
    CKXVariant right(mtNone, other.m_lcid, other.m_langid);
    ChangeType(right, other, mine, other.m_lcid);
    return CompareSame(*this, right);
}

// 4. Operands of one type, by the type of the left one.
int CKXVariant::CompareSame(const CKXVariant& left, const CKXVariant& right) const
{
    const VARIANT& l = left.m_vtVal;
    const VARIANT& r = right.m_vtVal;
    switch (left.m_Type) {
    case mtNone: return 0;
    case mtLong: return Difference(l.lVal, r.lVal);
    case mtText: {
        const BSTR a = left.Text();
        const BSTR b = right.Text();
        const UINT na = SysStringLen(a);
        const UINT nb = SysStringLen(b);
        for (UINT i = 0; i < na && i < nb; ++i)
            if (a[i] != b[i]) return static_cast<int>(a[i]) - static_cast<int>(b[i]);
        return static_cast<int>(na) - static_cast<int>(nb);
    }
    case mtDate: return Sign(l.date, r.date);
    case mtDouble: return Sign(l.dblVal, r.dblVal);
    case mtBoolean: return r.boolVal - l.boolVal;
    case mtCategorical: {
        const kx::CategoricalReader a(left.Categorical(), m_langid);
        const kx::CategoricalReader b(right.Categorical(), m_langid);
        const ULONG n = a.size() < b.size() ? a.size() : b.size();
        for (ULONG i = 0; i < n; ++i)
            if (!b.Contains(a[i])) return Difference(a[i], b[i]);
        return static_cast<int>(a.size()) - static_cast<int>(b.size());
    }
    case mtObject:
    case mtLevel:
        break;
    }
    RaiseError(m_langid, E_INVALIDARG, KXE_UNKNOWN_DATA_TYPE);
    return 0;  // not reached
}
