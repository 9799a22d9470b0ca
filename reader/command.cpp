// The reader's cursor: preparing the data file, reading a record, and the
// end of the command.
#include "reader/command.h"

#include "common/KxError.h"
#include "common/plugin.h"
#include "formats/field.h"
#include "reader/column.h"
#include "reader/source.h"

namespace {
const CLSID& CommandClsid() { return bvd::ThisPlugin().classes.command; }

VARIANT_BOOL AsBool(bool b) { return b ? VARIANT_TRUE : VARIANT_FALSE; }
}  // namespace

HRESULT CReaderCommand::Fail(HRESULT hr, DWORD code)
{
    return ReportNewError(m_Ctx.langid, hr, CommandClsid(), IID_ICommand, code);
}

HRESULT CReaderCommand::FailWithSystemText(HRESULT hr)
{
    try {
        CKXError error(m_Ctx.langid, hr);
        error.AppendSystemText(static_cast<DWORD>(hr));
        return ReportError(error, CommandClsid(), IID_ICommand);
    } catch (const std::bad_alloc&) {
        return hr;
    }
}

HRESULT CReaderCommand::get_EOF(VARIANT_BOOL* pVal)
{
    if (!pVal) return E_POINTER;
    *pVal = AsBool(m_bEOF);
    return S_OK;
}

HRESULT CReaderCommand::get_BOF(VARIANT_BOOL* pVal)
{
    if (!pVal) return E_POINTER;
    *pVal = AsBool(m_bBOF);
    return S_OK;
}

HRESULT CReaderCommand::get_Level(LONG* pVal)
{
    if (!pVal) return E_POINTER;
    *pVal = 0;
    return S_OK;
}

HRESULT CReaderCommand::Prepare(bool rewind)
{
    if (!m_bOpen) return Fail(E_UNEXPECTED, KXE_COMMAND_CLOSED);
    LONG count = 0;
    if (const HRESULT hr = DataBindings().get_Count(&count); FAILED(hr)) return hr;
    if (count == 0) return Fail(E_FAIL, KXE_NO_DATA_BINDINGS);
    if (m_Lines) {
        if (!rewind || m_Lines->Rewind()) return S_OK;
        m_Lines.reset();  // a file that cannot go back is opened afresh
        m_File.reset();
    }
    // The data file of the source's latest successful open.
    const auto* source = static_cast<const CReaderSource*>(Source());
    if (!source || source->DataFilePath().empty()) return Fail(E_UNEXPECTED, KXE_COMMAND_CLOSED);
    return KxBoundary(CommandClsid(), IID_ICommand, [&]() -> HRESULT {
        auto file = bvdformats::FileByteSource::Open(source->DataFilePath());
        if (!file) return Fail(E_UNEXPECTED, KXE_COMMAND_CLOSED);
        m_Lines = std::make_unique<bvdformats::LineReader>(*file);
        m_File = std::move(file);
        return S_OK;
    });
}

HRESULT CReaderCommand::get_Count(LONG* pVal)
{
    if (!pVal) return E_POINTER;
    // Opens the data file when needed but does not move a cursor that reads.
    if (const HRESULT hr = Prepare(false); FAILED(hr)) return hr;
    return DataBindings().get_Count(pVal);
}

HRESULT CReaderCommand::MoveFirst()
{
    if (const HRESULT hr = Prepare(true); FAILED(hr)) return hr;
    m_bEOF = false;
    m_bBOF = false;
    m_Record = 0;
    return ReadRecord();
}

HRESULT CReaderCommand::MoveNext()
{
    // Before the data file was opened, or after Close, there is nothing to
    // read from: the closed-command error.
    if (!m_bOpen || !m_Lines) return Fail(E_UNEXPECTED, KXE_COMMAND_CLOSED);
    return ReadRecord();
}

HRESULT CReaderCommand::ReadRecord()
{
    std::string_view line;
    switch (m_Lines->Next(line)) {
    case bvdformats::LineReader::Status::Line:
        break;
    case bvdformats::LineReader::Status::End:
        m_bEOF = true;
        if (m_Lines->failed())  // a read error is not the end of the data
            return FailWithSystemText(HRESULT_FROM_WIN32(ERROR_READ_FAULT));
        return S_OK;
    case bvdformats::LineReader::Status::TooLong:
        m_bEOF = true;
        return FailWithSystemText(E_OUTOFMEMORY);  // a line longer than the reader takes
    }
    ++m_Record;

    LONG count = 0;
    if (const HRESULT hr = DataBindings().get_Count(&count); FAILED(hr)) return hr;
    if (m_Bound.size() < static_cast<size_t>(count)) {
        try {
            m_Bound.resize(static_cast<size_t>(count));
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }
    for (LONG i = 0; i < count; ++i) {
        if (const HRESULT hr = ReadBinding(i, line); FAILED(hr)) return hr;
    }
    return S_OK;
}

CReaderColumn* CReaderCommand::Resolve(size_t index, ComPtr<IColumn> column)
{
    BoundColumn& bound = m_Bound[index];
    if (bound.column.get() != column.get()) {
        CReaderColumn* reader = CReaderColumn::FromInterface(column.get());
        // Only the columns this command's source built: the writer's columns
        // share the interface, and another source's lie in another file.
        bound.reader = reader && reader->SourceId() == m_SourceId ? reader : nullptr;
        bound.column = std::move(column);
    }
    return bound.reader;
}

HRESULT CReaderCommand::ReadBinding(LONG index, std::string_view line)
{
    Variant position = Variant::Long(index);
    ComPtr<IDataBinding> binding;
    if (const HRESULT hr = DataBindings().get_Item(position, binding.put()); FAILED(hr)) return hr;
    ComPtr<IColumn> column;
    if (const HRESULT hr = binding->get_Column(column.put()); FAILED(hr)) return hr;
    const CReaderColumn* reader = Resolve(static_cast<size_t>(index), std::move(column));
    if (!reader) return E_INVALIDARG;

    const std::string_view field = bvdformats::CutField(line, reader->Offset(), reader->Width());
    try {
        bvdformats::ReaderFieldText(reader->Kind(), field, m_Ctx.categoryValues != 0, reader->Codes(), m_Record,
                                    m_Text);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }

    ComPtr<IValue> value;
    if (const HRESULT hr = binding->get_Value(value.put()); FAILED(hr)) return hr;
    if (!value) return E_POINTER;
    Variant text = Variant::Text(m_Text);
    if (!text.bstrVal) return E_OUTOFMEMORY;
    return value->put_Value(VARIANT_FALSE, text);
}

HRESULT CReaderCommand::Close()
{
    if (!m_bOpen) return S_OK;
    m_bOpen = false;
    m_Lines.reset();
    m_File.reset();
    m_Bound.clear();
    return CCommand::Close();
}
