// The reader's column: its own members and the way the cursor finds it.
#include "reader/column.h"

namespace {
// Answered only by the reader's columns, with the object itself: how the
// cursor tells its own columns from any other IColumn (the writer's columns
// share the interface identifier).
constexpr IID kReaderColumnObject{0x3a6e21f0, 0x5b7c, 0x4f19, {0x8c, 0x2d, 0x41, 0x9e, 0x0b, 0x77, 0xd2, 0xf0}};
}  // namespace

void* CReaderColumn::QueryExtra(REFIID riid)
{
    return riid == kReaderColumnObject ? this : nullptr;
}

CReaderColumn* CReaderColumn::FromInterface(IColumn* column) noexcept
{
    // The caller's own reference keeps the column beyond this one.
    return ImplementationOf<CReaderColumn>(column, kReaderColumnObject).get();
}

void CReaderColumn::Define(bvdformats::ReaderVariable variable, uint64_t sourceId)
{
    m_Name = BStr(variable.columnName);
    if (!m_Name.get()) throw std::bad_alloc();
    m_Type = bvdformats::ReaderDataType(variable.kind);
    m_Kind = variable.kind;
    m_Offset = variable.offset;
    m_Width = variable.width;
    m_CodeWidth = variable.codeWidth;
    m_NameValue = variable.nameValue;
    if (!variable.codes.empty()) {
        m_CodeCapacity = variable.codes.size();
        m_Codes = std::move(variable.codes);
    }
    m_SourceId = sourceId;
    m_bCreated = true;
}

HRESULT CReaderColumn::NameMapping(LONG* pVal)
{
    if (!pVal) return E_POINTER;
    *pVal = m_Codes ? m_Codes->Find(*pVal) : bvdformats::CodeTable::kNotFound;
    return S_OK;
}

HRESULT CReaderColumn::makeMapping(LONG count)
{
    if (count < 0) return E_INVALIDARG;
    // Pairs take memory as they are added, so a large count costs nothing.
    m_Codes.emplace();
    m_CodeCapacity = static_cast<size_t>(count);
    return S_OK;
}

HRESULT CReaderColumn::addMapping(LONG code, LONG number)
{
    if (!m_Codes) return E_POINTER;
    if (m_Codes->size() >= m_CodeCapacity) return E_INVALIDARG;  // the table holds `count` pairs
    try {
        m_Codes->Add(code, number);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}
