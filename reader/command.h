#pragma once
// The reader's command: a forward-only cursor over the data file. Each move
// reads one record line and hands every bound column's field, as text, to its
// binding's value, which converts it to the value's type.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/command.h"
#include "formats/byte_source.h"
#include "formats/line_reader.h"

class CReaderColumn;

class CReaderCommand : public CCommand {
public:
    HRESULT get_EOF(VARIANT_BOOL* pVal) override;
    HRESULT get_BOF(VARIANT_BOOL* pVal) override;
    HRESULT get_Count(LONG* pVal) override;
    HRESULT get_Level(LONG* pVal) override;
    HRESULT MoveFirst() override;
    HRESULT MoveNext() override;
    HRESULT Close() override;

    void SetSourceId(uint64_t id) noexcept { m_SourceId = id; }

private:
    // One binding as the last read found it: the column it named and the
    // reader column behind it (null when it is not one of this source's).
    struct BoundColumn {
        ComPtr<IColumn> column;
        CReaderColumn* reader = nullptr;
    };

    // Checks that the command can read (open, bindings present) and, with
    // `rewind`, puts the data file at its first line; opens it when needed.
    HRESULT Prepare(bool rewind);
    HRESULT ReadRecord();
    HRESULT ReadBinding(LONG index, std::string_view line);
    CReaderColumn* Resolve(size_t index, ComPtr<IColumn> column);
    HRESULT Fail(HRESULT hr, DWORD code);
    // An error whose description is the system's text of `hr`.
    HRESULT FailWithSystemText(HRESULT hr);

    bool m_bOpen = true;
    bool m_bEOF = true;
    bool m_bBOF = true;
    LONG m_Record = 0;
    uint64_t m_SourceId = 0;
    std::unique_ptr<bvdformats::ByteSource> m_File;
    std::unique_ptr<bvdformats::LineReader> m_Lines;
    std::vector<BoundColumn> m_Bound;
    std::u16string m_Text;  // the field text, its capacity reused from field to field
};
