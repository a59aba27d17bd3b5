// A unique temporary folder for one test, removed with everything in it.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

#include "platform/Utf8.h"

struct TempFolder {
    std::string path;
    TempFolder() {
        char name[] = "/tmp/lumatray-test-XXXXXX";
        if (mkdtemp(name)) path = name;
    }
    ~TempFolder() {
        std::error_code ec;
        if (!path.empty()) std::filesystem::remove_all(path, ec);
    }
    std::u16string Wide(const std::string& rest = "") const {
        std::string full = rest.empty() ? path : path + "/" + rest;
        std::u16string w(full.size() + 1, u'\0');
        int n = plat::Utf8ToUtf16(full.c_str(), w.data(), (int)w.size());
        w.resize(n < 0 ? 0 : n);
        return w;
    }
};
