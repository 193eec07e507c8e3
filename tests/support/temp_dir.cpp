#include "tests/support/temp_dir.h"

#include <cstdlib>
#include <fstream>
#include <ftw.h>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

#include "platform/files.h"

TempDir::TempDir() {
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base && base[0] ? base : "/tmp") + "/qmtest.XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    nftw(
        path_.c_str(),
        [](const char* path, const struct stat*, int, struct FTW*) { return remove(path); }, 16,
        FTW_DEPTH | FTW_PHYS);
}

std::string TempDir::File(const std::string& name) const { return path_ + "/" + name; }

bool TempDir::Write(const std::string& name, const std::string& bytes) const {
    std::string full = File(name);
    size_t slash = full.rfind('/');
    if (slash != std::string::npos && !CreateDirectoryRecursive(full.substr(0, slash).c_str())) return false;
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string TempDir::Read(const std::string& name) const {
    std::ifstream in(File(name), std::ios::binary);
    if (!in) return "";
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}
