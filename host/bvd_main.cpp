// bvd: Brevid survey data from the command line.
//   bvd register [--unregister]      register the plug-ins and the Lodex component
//   bvd info SURVEY.xml [--json] [-o FILE [--force]]
//   bvd read SURVEY.xml [--codes] [--columns A,B,...] [--format csv|jsonl] [-o FILE [--force]]
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

    bvd::ReadOptions read;
    CLI::App* readCmd = app.add_subcommand("read", "Print the records of a survey as CSV or JSON Lines");
    readCmd->add_option("survey", read.survey, "The survey's definition file (.xml)")->required();
    readCmd->add_flag("--codes", read.codes, "Give categories as the file's codes, not as category numbers");
    readCmd->add_option("--columns", read.columns, "Read only these columns (comma-separated), in table order")
        ->delimiter(',');
    readCmd->add_option("--format", read.format, "Output format: csv (the default) or jsonl")
        ->check(CLI::IsMember({"csv", "jsonl"}));
    readCmd->add_option("-o,--output", read.output, "Write to FILE instead of standard output");
    readCmd->add_flag("--force", read.force, "Overwrite an existing output file");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }
    try {
        if (*registerCmd) bvd::Register(reg);
        if (*infoCmd) bvd::Info(info);
        if (*readCmd) return bvd::Read(read);
    } catch (const std::exception& e) {
        std::cout.flush();
        std::cerr << "bvd: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
