#pragma once
// The bvd program run as a user runs it: with a temporary registry into
// which the test registered this build's plug-ins, its streams captured in a
// temporary folder.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/host/lodex_support.h"

namespace programtest {

struct Result {
    int status = -1;
    std::string out, err;
};

inline std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The text as one shell word.
inline std::string Quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

class ProgramTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(0, Run("register").status) << last_.err; }

    // Runs the program with the test's registry (BVD_REGISTRY is inherited).
    Result Run(const std::string& args)
    {
        const std::string out = tmp_.Dir() + "/stdout", err = tmp_.Dir() + "/stderr";
        const std::string command = Quote(BVD_PROGRAM) + " " + args + " >" + Quote(out) + " 2>" + Quote(err);
        const int raw = std::system(command.c_str());
        last_ = Result{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(out), Slurp(err)};
        return last_;
    }
    std::string File(const std::string& name) const { return tmp_.Dir() + "/" + name; }

    TempRegistry registry_;
    TempDir tmp_;  // the captured streams ("stdout", "stderr") and the test's files
    Result last_;
};

}  // namespace programtest
