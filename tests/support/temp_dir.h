// A fresh folder under the system temporary folder, removed with its contents when the object goes.
#pragma once

#include <string>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // path() + "/" + name
    std::string File(const std::string& name) const;
    // Writes `bytes` to path()/name (creating folders on the way); false on failure.
    bool Write(const std::string& name, const std::string& bytes) const;
    // The whole contents of path()/name, or "" when it cannot be read.
    std::string Read(const std::string& name) const;

private:
    std::string path_;
};
