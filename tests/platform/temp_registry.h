#pragma once
// A registry of the test's own: a temporary folder, with BVD_REGISTRY naming
// the file in it for as long as the object lives.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

class TempRegistry {
public:
    TempRegistry()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "bvdreg-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        dir_ = pattern;
        if (const char* old = std::getenv("BVD_REGISTRY")) previous_ = old;
        ::setenv("BVD_REGISTRY", File().c_str(), 1);
    }
    TempRegistry(const TempRegistry&) = delete;
    TempRegistry& operator=(const TempRegistry&) = delete;
    ~TempRegistry()
    {
        if (previous_)
            ::setenv("BVD_REGISTRY", previous_->c_str(), 1);
        else
            ::unsetenv("BVD_REGISTRY");
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    std::string Dir() const { return dir_.string(); }
    std::string File() const { return (dir_ / "registry").string(); }
    std::string Text() const
    {
        std::ifstream in(File(), std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

private:
    std::filesystem::path dir_;
    std::optional<std::string> previous_;
};
