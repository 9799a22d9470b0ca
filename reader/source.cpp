// Opening a survey: the checks on the two files, the load, the way down to
// the record element and the table built from it. Every failure is raised
// as a CKXError; Initialize reports it under the Source class.
#include "reader/source.h"

#include <atomic>

#include "common/KxError.h"
#include "formats/names.h"
#include "formats/reader_schema.h"
#include "formats/survey.h"
#include "platform/builtin.h"
#include "platform/com_create.h"
#include "platform/errorinfo.h"
#include "platform/win32.h"
#include "reader/column.h"
#include "reader/command.h"

namespace {

// The HRESULTs some open failures return: the message code itself.
constexpr HRESULT kXmlLoadResult = static_cast<HRESULT>(KXE_XML_LOAD);
constexpr HRESULT kXmlNotRecognizedResult = static_cast<HRESULT>(KXE_XML_NOT_RECOGNIZED);

uint64_t NextSourceId()
{
    static std::atomic<uint64_t> last{0};
    return ++last;
}

bool FileExists(std::u16string_view path)
{
    const std::u16string terminated(path);
    return GetFileAttributesW(terminated.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::u16string TextOf(const BStr& s) { return std::u16string(s.view()); }

}  // namespace

CReaderSource::CReaderSource() : m_SourceId(NextSourceId()) {}

void CReaderSource::Open(const BStr& location)
{
    const DWORD language = m_Ctx.langid;
    // A failure below may take the thread's error object as its own
    // description: nothing from before the open may be taken for it.
    SetErrorInfo(0, nullptr);
    m_Tables->ClearItems();

    ComPtr<IXMLDOMDocument> document;
    HRESULT hr = CoCreateInstance(CLSID_DOMDocument, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                                  document.put_void());
    if (FAILED(hr)) RaiseComError(language, ComError(hr), KXE_XML_UNABLE_TO_LOAD);

    const std::u16string_view path = location.view();
    if (path.size() < 5)
        RaiseError(language, kXmlLoadResult, KXE_XML_LOAD, u"Cannot open corresponding data file",
                   std::u16string(path));
    const std::string dataPath = bvdformats::ReaderDataFilePath(Utf16ToUtf8(path));
    if (!FileExists(path)) RaiseError(language, E_FAIL, KXE_XML_LOAD, u"Cannot open xml file", u"");
    if (!FileExists(Utf8ToUtf16(dataPath)))
        RaiseError(language, kXmlLoadResult, KXE_XML_LOAD, u"Cannot open corresponding .asc file",
                   Utf8ToUtf16(dataPath));

    VARIANT_BOOL loaded = VARIANT_FALSE;
    hr = document->load(Variant::Text(path), &loaded);
    if (FAILED(hr)) RaiseComError(language, ComError(hr), KXE_XML_UNABLE_TO_LOAD);
    if (loaded != VARIANT_TRUE) {
        ComPtr<IXMLDOMParseError> parseError;
        BStr reason, sourceText;
        hr = document->get_parseError(parseError.put());
        if (SUCCEEDED(hr) && parseError) hr = parseError->get_reason(reason.put());
        if (SUCCEEDED(hr) && parseError) hr = parseError->get_srcText(sourceText.put());
        if (FAILED(hr)) RaiseComError(language, ComError(hr), KXE_XML_UNABLE_TO_LOAD);
        RaiseError(language, kXmlLoadResult, KXE_XML_LOAD, TextOf(reason), TextOf(sourceText));
    }

    bvdformats::SurveyRecord found = bvdformats::FindSurveyRecord(document.get());
    switch (found.outcome) {
    case bvdformats::SurveyRecord::Outcome::Found:
        break;
    case bvdformats::SurveyRecord::Outcome::RootNotBvd:
        RaiseError(language, E_FAIL, KXE_XML_NOT_RECOGNIZED, found.rootName, u"bvd");
        break;
    case bvdformats::SurveyRecord::Outcome::NoSurvey:
        RaiseError(language, kXmlNotRecognizedResult, KXE_XML_NOT_RECOGNIZED, u"expected <survey>", u"");
        break;
    case bvdformats::SurveyRecord::Outcome::NoRecord:
        RaiseError(language, kXmlNotRecognizedResult, KXE_XML_NOT_RECOGNIZED, u"expected <record>", u"");
        break;
    case bvdformats::SurveyRecord::Outcome::DomFailure:
        RaiseComError(language, ComError(FAILED(found.hr) ? found.hr : E_FAIL), KXE_XML_UNABLE_TO_LOAD);
        break;
    }

    BuildTable(found.record.get());
    m_Root = std::move(found.root);
    m_DataFilePath = dataPath;
}

void CReaderSource::BuildTable(IXMLDOMElement* record)
{
    const DWORD language = m_Ctx.langid;
    CCtxObjectPtr<CTable, ITable> table;
    HRESULT hr = table.Create(m_Ctx);
    if (FAILED(hr)) RaiseComError(language, ComError(hr), KXE_XML_UNABLE_TO_LOAD);
    const BStr name(std::u16string_view(u"VDATA"));
    if (FAILED(hr = table->put_Name(name.get()))) RaiseComError(language, ComError(hr), KXE_XML_UNABLE_TO_LOAD);
    if (FAILED(hr = table->put_Type(cdVDATA))) RaiseComError(language, ComError(hr), KXE_XML_UNABLE_TO_LOAD);

    bvdformats::ReaderSchema schema;
    try {
        schema = bvdformats::BuildReaderSchema(record);
    } catch (const bvdformats::DefinitionError& error) {
        RaiseComError(language, ComError(error.hr()), KXE_XML_LOADING, error.recordName());
    }

    // The serial column first, then the variables in document order. The
    // columns collection refuses a name it holds already (case ignored),
    // which fails the open at that variable.
    auto append = [&](bvdformats::ReaderVariable variable) {
        CCtxObjectPtr<CReaderColumn, IColumn> column;
        HRESULT added = column.Create(m_Ctx);
        if (SUCCEEDED(added)) {
            column->Define(std::move(variable), m_SourceId);
            added = table->Columns().AppendItem(column.Interface());
        }
        if (FAILED(added)) RaiseComError(language, ComError(added), KXE_XML_LOADING, schema.recordName);
    };
    append(bvdformats::ReaderSerialVariable());
    for (bvdformats::ReaderVariable& variable : schema.variables) append(std::move(variable));

    table->SetCreated(true);
    if (FAILED(hr = m_Tables->AppendItem(table.Interface())))
        RaiseComError(language, ComError(hr), KXE_XML_UNABLE_TO_LOAD);
}

HRESULT CReaderSource::OnUninitialize()
{
    // Nothing is closed or released: commands go on reading, and Initialize
    // may follow. The reader answers that it has nothing to undo.
    return E_NOTIMPL;
}

HRESULT CReaderSource::MakeCommand(const CCtx& ctx, CCtxObjectPtr<CCommand, ICommand>& command)
{
    CCtxObjectPtr<CReaderCommand, ICommand> reader;
    if (const HRESULT hr = reader.Create(ctx); FAILED(hr)) return hr;
    reader->SetSourceId(m_SourceId);
    command.Attach(reader.GetObject());
    return S_OK;
}
