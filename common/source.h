#pragma once
// The source: the root of the object tree. It owns the tables, commands and
// properties collections, keeps the context the host configures through
// Initialize, and guards Tables, Commands and CreateCommand with the
// initialized rule (0xC0021500, E_FAIL). What opening and closing a survey
// means is the plug-in's: it derives from CSource and overrides the hooks.
#include <vector>

#include "common/collections.h"
#include "common/command.h"
#include "common/comobjectptr.h"
#include "common/critsec.h"
#include "common/table.h"

class CSource : public bvd::ModelObject<ISource> {
public:
    ~CSource() override;
    HRESULT FinalConstruct();

    HRESULT get_Name(BSTR* pVal) override;
    HRESULT get_Tables(ITables** pVal) override;
    HRESULT get_Commands(ICommands** pVal) override;
    HRESULT get_Properties(IProperties** pVal) override;
    HRESULT Initialize(IProperties* properties) override;
    HRESULT Uninitialize() override;
    HRESULT CreateCommand(ICommand** pVal) override;
    HRESULT BeginTrans() override;
    HRESULT CommitTrans() override;
    HRESULT RollbackTrans() override;
    HRESULT NotifyPropertyChange(IProperty* property) override;

    bool IsInitialized() const noexcept { return m_bInitialized; }
    CTables& Tables() { return *m_Tables; }
    CCommands& Commands() { return *m_Commands; }
    CProperties& Properties() { return *m_Properties; }

    // Called by commands: removal from the commands collection (Close) and
    // the end of a command that outlived nothing.
    HRESULT RemoveCommand(CCommand* command);
    void ForgetCommand(CCommand* command) noexcept;

protected:
    // The plug-in's open hook: opens the survey at `location` (raises
    // CKXError on failure).
    virtual void Open(const BStr& location);
    // After the initialized flag is cleared: the result of Uninitialize.
    virtual HRESULT OnUninitialize();
    // A new command with a copy of `ctx` (the plug-in's command class).
    virtual HRESULT MakeCommand(const CCtx& ctx, CCtxObjectPtr<CCommand, ICommand>& command);
    // After the command has been added: the plug-in's wiring of the command.
    virtual HRESULT OnCommandCreated(CCommand& command);

    // Reads the connection properties into the context; `location` receives
    // "Location" (null when absent).
    void ReadConnection(IProperties* properties, BStr& location);
    // The initialized rule: S_OK, or the reported error's HRESULT.
    HRESULT CheckInitialized();

    BStr m_Name;
    CCtxObjectPtr<CTables, ITables> m_Tables;
    CCtxObjectPtr<CCommands, ICommands> m_Commands;
    CCtxObjectPtr<CProperties, IProperties> m_Properties;
    bool m_bInitialized = false;

private:
    void UpdateContext(const char16_t* name, const VARIANT& value, LONG type);

    CKXCriticalSection m_cs;             // guards m_LiveCommands
    std::vector<CCommand*> m_LiveCommands;  // every command pointing back here
};
