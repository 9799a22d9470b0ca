// Finding the server modules beside the program, and registering them; what
// the commands share.
#include <iostream>

#include "host/bvd.h"
#include "platform/com_create.h"
#include "platform/message.h"
#include "platform/registry.h"
#include "platform/win32.h"

namespace bvd {

std::string Named(HRESULT hr) { return "(" + HResultName(hr) + ")"; }

void RefuseExistingOutput(const std::string& output, bool force)
{
    std::error_code ec;
    if (!output.empty() && !force && std::filesystem::exists(output, ec))
        throw Failure(output + " exists already (use --force to overwrite it) " +
                      Named(HRESULT_FROM_WIN32(ERROR_FILE_EXISTS)));
}

std::u16string ProviderProgId(const char16_t* value, const char* kind)
{
    const auto progId =
        RegReadString(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Norvane\\QX Data Providers\\Bvdreader", value);
    if (!progId || progId->empty())
        throw Failure(std::string("no ") + kind +
                      " component is registered for Bvdreader (run 'bvd register' first)");
    return *progId;
}

std::filesystem::path ModuleFolder()
{
    const std::filesystem::path program = ModulePath(nullptr);
    if (program.empty()) throw Failure("cannot find the path of the bvd program itself");
    return (program.parent_path() / BVD_PLUGIN_RELDIR).lexically_normal();
}

std::vector<std::filesystem::path> ServerModules()
{
    // The plug-ins first, then the host's Lodex component.
    static constexpr const char* kNames[] = {"bvdreader", "bvdwriter", "bvdmeta", "bvdlodex"};
    const std::filesystem::path folder = ModuleFolder();
    std::vector<std::filesystem::path> found;
    for (const char* name : kNames) {
        const std::filesystem::path file = folder / (std::string("lib") + name + ".so");
        std::error_code ec;
        if (std::filesystem::is_regular_file(file, ec)) found.push_back(file);
    }
    return found;
}

void Register(const RegisterOptions& options)
{
    const auto modules = ServerModules();
    if (modules.empty())
        throw Failure("no server modules found in " + ModuleFolder().string());
    for (const auto& module : modules) {
        const HRESULT hr = options.unregister ? UnregisterServerModule(module.string())
                                              : RegisterServerModule(module.string());
        if (FAILED(hr)) {
            std::string why = LastModuleLoadError();
            throw Failure("cannot " + std::string(options.unregister ? "unregister " : "register ") +
                          module.string() + " " + Named(hr) + (why.empty() ? "" : ": " + why));
        }
        std::cout << (options.unregister ? "unregistered " : "registered ") << module.string() << '\n';
    }
}

}  // namespace bvd
