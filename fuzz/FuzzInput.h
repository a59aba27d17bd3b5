// Shared by the fuzz targets: the input is written to a temporary file,
// because the decoders and File_t read files by name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

class FuzzFile {
public:
    FuzzFile(const uint8_t* data, size_t size, const char* suffix) {
        const char* dir = getenv("TMPDIR");
        path_ = std::string(dir && *dir ? dir : "/tmp") + "/lumatray-fuzz-" + std::to_string(getpid()) + suffix;
        FILE* f = fopen(path_.c_str(), "wb");
        if (!f) return;
        ok_ = fwrite(data, 1, size, f) == size;
        ok_ = fclose(f) == 0 && ok_;
    }
    ~FuzzFile() { remove(path_.c_str()); }
    bool ok() const { return ok_; }
    const char* path() const { return path_.c_str(); }

private:
    std::string path_;
    bool ok_ = false;
};
