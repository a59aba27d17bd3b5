// Helpers for the codec tests: a temporary folder removed at the end, file
// writing, UTF-16 paths and a plain libjpeg encoder for test pictures.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

struct TempDir {
    std::string path;
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "lumatray-codec-XXXXXX").string();
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back(0);
        if (mkdtemp(buf.data())) path = buf.data();
    }
    ~TempDir() {
        std::error_code ec;
        if (!path.empty()) std::filesystem::remove_all(path, ec);
    }
    std::string File(const std::string& name) const { return path + "/" + name; }
};

std::u16string Utf16(const std::string& utf8);
void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);
// Encodes a w x h picture with libjpeg directly (grey when components is 1);
// the pixel values are a simple gradient of x and y.
bool MakeJpeg(const std::string& path, int w, int h, int components, int quality = 30);
std::string TestData(const std::string& relative);
