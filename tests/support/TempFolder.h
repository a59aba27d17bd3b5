// A unique temporary folder for one test, removed with everything in it.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/Utf8.h"

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "lumatray-XXXXXX").string();
        if (mkdtemp(pattern.data())) path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return path_; }
    // A name inside the folder, as a UTF-8 path.
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    // The folder, or rest inside it, as a UTF-16 path.
    std::u16string Wide(const std::string& rest = "") const { return Utf16(rest.empty() ? path_ : path_ + "/" + rest); }

    static std::u16string Utf16(const std::string& utf8) {
        char16_t buf[2048];
        plat::Utf8ToUtf16(utf8.c_str(), buf, 2048);
        return buf;
    }
    static std::string Utf8(const std::u16string& text) {
        char buf[4096];
        plat::Utf16ToUtf8(text.c_str(), buf, sizeof buf);
        return buf;
    }

private:
    std::string path_;
};

// A file's bytes, whole ("" when it cannot be read), and a file written
// with exactly these bytes.
inline std::string ReadBytes(const std::string& path) {
    std::stringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}
inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}
