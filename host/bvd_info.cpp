// bvd info: find the metadata component as a host does, fill a Lodex
// document from the survey's definition file, and print the document.
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iostream>

#include "contracts/lodex.h"
#include "contracts/lodex_host.h"
#include "contracts/metadata_provider.h"
#include "host/bvd.h"
#include "host/bvd_print.h"
#include "platform/bstr.h"
#include "platform/comptr.h"
#include "platform/com_create.h"
#include "platform/registry.h"

namespace bvd {
namespace {

// HKLM\...\QX Data Providers\Bvdreader, value Metadata -> ProgID -> class.
ComPtr<IMetadataProvider> CreateProvider()
{
    const std::u16string progId = ProviderProgId(u"Metadata", "metadata");
    CLSID clsid{};
    if (const HRESULT hr = CLSIDFromProgID(progId.c_str(), &clsid); FAILED(hr))
        throw Failure("the metadata component " + Utf16ToUtf8(progId) + " has no class " + Named(hr));
    ComPtr<IMetadataProvider> provider;
    if (const HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IMetadataProvider,
                                            provider.put_void());
        FAILED(hr))
        throw Failure("cannot create the metadata component " + Utf16ToUtf8(progId) + " " + Named(hr));
    return provider;
}

ComPtr<ILodexDocument> CreateDocument()
{
    ComPtr<ILodexDocument> document;
    if (const HRESULT hr = CoCreateInstance(CLSID_LodexDocument, nullptr, CLSCTX_INPROC_SERVER,
                                            uuidof<ILodexDocument>(), document.put_void());
        FAILED(hr))
        throw Failure("cannot create a Lodex document " + Named(hr) + " (run 'bvd register' first)");
    return document;
}

void Fill(IMetadataProvider* provider, ILodexDocument* document, const std::string& survey)
{
    ComPtr<IUnknown> unknown;
    document->QueryInterface(IID_IUnknown, unknown.put_void());
    IUnknown* raw = unknown.get();
    const BStr path = BStr::FromUtf8(survey);
    const HRESULT hr = provider->FillDocument(path.get(), &raw);
    if (SUCCEEDED(hr)) return;
    std::error_code ec;
    if (!std::filesystem::exists(survey, ec))
        throw Failure(survey + " does not exist " + Named(hr));
    if (std::filesystem::is_directory(survey, ec))
        throw Failure(survey + " is a folder, not a definition file " + Named(hr));
    if (hr == E_FAIL)
        throw Failure("cannot read the metadata of " + survey +
                      ": it is not a readable Brevid definition file " + Named(hr));
    throw Failure("cannot fill a Lodex document from " + survey + " " + Named(hr));
}

std::string Json(ILodexDocument* document)
{
    const auto json = QueryAs<ILodexDocumentJson>(document);
    if (!json) throw Failure("the Lodex document offers no JSON form " + Named(E_NOINTERFACE));
    BStr text;
    if (const HRESULT hr = json->ToJson(text.put()); FAILED(hr))
        throw Failure("cannot turn the Lodex document into JSON " + Named(hr));
    return text.ToUtf8() + "\n";
}

// Writes the whole text, or removes what was written.
void WriteFile(const std::string& file, const std::string& text)
{
    HRESULT hr = E_FAIL;
    {
        errno = 0;
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        if (out) {
            out << text;
            out.close();
            if (out) return;
        } else if (errno == ENOENT || errno == ENOTDIR) {
            hr = HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
        } else if (errno == EACCES || errno == EPERM || errno == EISDIR) {
            hr = HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
        }
    }
    std::error_code ec;
    if (hr == E_FAIL) std::filesystem::remove(file, ec);  // the half-written file
    throw Failure("cannot write " + file + " " + Named(hr));
}

}  // namespace

void Info(const InfoOptions& options)
{
    RefuseExistingOutput(options.output, options.force);
    ComScope com;
    std::string text;
    {
        const ComPtr<IMetadataProvider> provider = CreateProvider();
        const ComPtr<ILodexDocument> document = CreateDocument();
        Fill(provider.get(), document.get(), options.survey);
        text = options.json ? Json(document.get()) : Table(document.get(), options.survey);
    }
    if (options.output.empty())
        std::cout << text;
    else
        WriteFile(options.output, text);
}

}  // namespace bvd
