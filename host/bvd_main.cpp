// bvd: Brevid survey data from the command line.
//   bvd register [--unregister]      register the plug-ins and the Lodex component
//   bvd info SURVEY.xml [--json] [-o FILE [--force]]
#include <iostream>

#include <CLI/CLI.hpp>

#include "host/bvd.h"

int main(int argc, char** argv)
{
    CLI::App app{"bvd: Brevid survey data for the QX data-access framework"};
    app.set_version_flag("--version", "bvd " BVD_VERSION_TEXT);
    app.require_subcommand(1);

    bvd::RegisterOptions reg;
    CLI::App* registerCmd = app.add_subcommand(
        "register", "Register the plug-ins and the Lodex component of this build in the registry");
    registerCmd->add_flag("--unregister", reg.unregister, "Remove their registration instead");

    bvd::InfoOptions info;
    CLI::App* infoCmd = app.add_subcommand("info", "Print the metadata of a survey (its definition file)");
    infoCmd->add_option("survey", info.survey, "The survey's definition file (.xml)")->required();
    infoCmd->add_flag("--json", info.json, "Print the Lodex document as JSON instead of a table");
    infoCmd->add_option("-o,--output", info.output, "Write to FILE instead of standard output");
    infoCmd->add_flag("--force", info.force, "Overwrite an existing output file");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }
    try {
        if (*registerCmd) bvd::Register(reg);
        if (*infoCmd) bvd::Info(info);
    } catch (const std::exception& e) {
        std::cout.flush();
        std::cerr << "bvd: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
