#pragma once
// The `bvd` program: a thin command line over the server modules. Each
// command is a function that returns normally on success and throws
// bvd::Failure with one sentence on failure; main prints "bvd: " and that
// sentence and exits with status 1.
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/com_create.h"
#include "platform/hresult.h"

namespace bvd {

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// "... (E_FAIL)": a sentence part naming the HRESULT.
std::string Named(HRESULT hr);

// COM for the length of a command.
struct ComScope {
    ComScope() { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
    ~ComScope() { CoUninitialize(); }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
};

// Refuses an output file that exists already unless `force` is given (an
// empty `output` is standard output).
void RefuseExistingOutput(const std::string& output, bool force);

// The ProgID the registry names for Bvdreader under
// HKLM\SOFTWARE\Norvane\QX Data Providers\Bvdreader, value `value`
// ("Metadata", "Casedata"); `kind` names the component in the failure.
std::u16string ProviderProgId(const char16_t* value, const char* kind);

// The folder of the server modules, found relative to the program itself.
std::filesystem::path ModuleFolder();
// The server modules present in that folder, by name: the plug-ins and the
// Lodex component.
std::vector<std::filesystem::path> ServerModules();

struct RegisterOptions {
    bool unregister = false;
};
void Register(const RegisterOptions& options);

struct InfoOptions {
    std::string survey;
    bool json = false;
    std::string output;  // empty: standard output
    bool force = false;
};
void Info(const InfoOptions& options);

struct ReadOptions {
    std::string survey;
    bool codes = false;                // the file's own codes instead of category numbers
    std::vector<std::string> columns;  // empty: every column
    std::string format = "csv";        // "csv" or "jsonl"
    std::string output;                // empty: standard output
    bool force = false;
};
// Returns the exit status: 0, or 1 when a record could not be read (the
// records before it are written, and stderr names the record).
int Read(const ReadOptions& options);

}  // namespace bvd
