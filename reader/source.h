#pragma once
// The reader's source: opens a survey (the definition file and its data
// file), builds the "VDATA" table from the definition and makes the reader's
// commands.
#include <cstdint>
#include <string>

#include "common/source.h"
#include "platform/dom.h"

class CReaderSource : public CSource {
public:
    CReaderSource();

    // The data file of the latest successful open (UTF-8); empty before one.
    const std::string& DataFilePath() const noexcept { return m_DataFilePath; }
    // Tells this source's columns from those of any other source.
    uint64_t SourceId() const noexcept { return m_SourceId; }

protected:
    void Open(const BStr& location) override;
    HRESULT OnUninitialize() override;
    HRESULT MakeCommand(const CCtx& ctx, CCtxObjectPtr<CCommand, ICommand>& command) override;

private:
    // Builds "VDATA" from the record element and adds it to the tables.
    void BuildTable(IXMLDOMElement* record);

    uint64_t m_SourceId;
    std::string m_DataFilePath;
    ComPtr<IXMLDOMElement> m_Root;  // keeps the loaded document
};
