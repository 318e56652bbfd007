// A fresh folder under the system's temporary directory, removed with everything in it when the
// object goes away.
#pragma once

#include <string>
#include <string_view>

namespace vx::testing {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }  // with a trailing "/"
    std::string write(const std::string& name, std::string_view bytes) const;  // returns the full path
    std::string read(const std::string& name) const;

private:
    std::string path_;
};

}  // namespace vx::testing
