#pragma once
// A column of the reader's "VDATA" table: the standard column members, where
// the variable's field lies in a record line, its kind, and the table that
// turns its value codes into category numbers.
#include <cstdint>
#include <optional>

#include "common/table.h"
#include "formats/code_table.h"
#include "formats/reader_schema.h"
#include "reader/bvdreader.h"

// The IDispatch description of the reader's IColumn (module.cpp).
const DispInterface& DescribeDispatch(const IReaderColumn*);

class CReaderColumn : public bvd::ColumnImpl<IReaderColumn> {
public:
    HRESULT get_BVDoffset(LONG* pVal) override { return Get(m_Offset, pVal); }
    HRESULT get_BVDwidth(LONG* pVal) override { return Get(m_Width, pVal); }
    HRESULT get_BVDtype(LONG* pVal) override { return Get(static_cast<LONG>(m_Kind), pVal); }
    HRESULT get_BVDvarwidth(LONG* pVal) override { return Get(m_CodeWidth, pVal); }
    HRESULT get_BVDnameval(LONG* pVal) override { return Get(m_NameValue, pVal); }
    HRESULT NameMapping(LONG* pVal) override;
    HRESULT makeMapping(LONG count) override;
    HRESULT addMapping(LONG code, LONG number) override;

    // Takes the variable's place, kind, codes and data type, marks the column
    // fixed and records which source built it.
    void Define(bvdformats::ReaderVariable variable, uint64_t sourceId);

    // The reader column behind `column` when it is one of this module's
    // (null for any other object); no reference is added.
    static CReaderColumn* FromInterface(IColumn* column) noexcept;

    // The source that built the column (0: built by anyone else).
    uint64_t SourceId() const noexcept { return m_SourceId; }
    LONG Offset() const noexcept { return m_Offset; }
    LONG Width() const noexcept { return m_Width; }
    bvdformats::ReaderKind Kind() const noexcept { return m_Kind; }
    const bvdformats::CodeTable* Codes() const noexcept { return m_Codes ? &*m_Codes : nullptr; }

protected:
    void* QueryExtra(REFIID riid) override;

private:
    LONG m_Offset = 0;
    LONG m_Width = 0;
    bvdformats::ReaderKind m_Kind{};  // 0 until defined
    LONG m_CodeWidth = 0;
    LONG m_NameValue = 0;
    std::optional<bvdformats::CodeTable> m_Codes;
    size_t m_CodeCapacity = 0;  // the count given to makeMapping
    uint64_t m_SourceId = 0;
};
